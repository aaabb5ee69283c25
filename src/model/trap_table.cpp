#include "model/trap_table.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "messages/time_text.h"
#include "model/arena.h"
#include "model/file_table.h"
#include "model/name_table.h"
#include "model/report_sink.h"
#include "model/xob_node.h"
#include "rules/rule_catalogue.h"

trap_table_files trap_table;
std::vector<trap_event*> open_files;
std::int32_t in_system_include = 0;
std::int32_t file_count = 0;
std::int32_t files_with_traps = 0;
std::int32_t new_justifications = 0;
std::int32_t max_justifications = 0;
paged_table<trap_event*> file_start_events;

std::int32_t trap_counts[3] = {0, 0, 0};

namespace {

int compare_numbers(std::int32_t a, std::int32_t b) { return a < b ? -1 : a > b ? 1 : 0; }

int compare_texts(const name* a, const name* b) {
    int order = std::strcmp(name_text(a), name_text(b));
    return order < 0 ? -1 : order > 0 ? 1 : 0;
}

// Files by full path; without a table entry by short name; then by index,
// so that two different files never compare equal.
int compare_files(std::int32_t a, std::int32_t b) {
    if (a == b) return 0;
    name* path_a = file_full_path(a);
    name* path_b = file_full_path(b);
    int order = 0;
    if (path_a && path_b) {
        order = compare_texts(path_a, path_b);
    } else {
        name* short_a = file_name_of(a);
        name* short_b = file_name_of(b);
        if (short_a && short_b) order = compare_texts(short_a, short_b);
    }
    return order ? order : compare_numbers(a, b);
}

int compare_positions(std::int32_t file_a, std::int32_t line_a, std::int32_t row_a,
                      std::int32_t file_b, std::int32_t line_b, std::int32_t row_b) {
    if (file_a != file_b) return compare_files(file_a, file_b);
    int order = compare_numbers(line_a, line_b);
    return order ? order : compare_numbers(row_a, row_b);
}

int compare_file_entries(const tree_item* item, const void* key) {
    const auto* entry = static_cast<const file_events*>(tree_payload(item));
    return compare_files(*static_cast<const std::int32_t*>(key), entry->file);
}

// Within one file: line, row, kind, rule, and for two traps the second positions.
int compare_in_file(const trap_event* event, const trap_event* key) {
    int order = compare_numbers(key->line, event->line);
    if (!order) order = compare_numbers(key->row, event->row);
    if (!order) order = compare_numbers(key->event_kind, event->event_kind);
    if (!order) order = compare_numbers(key->rule, event->rule);
    if (!order && key->event_kind == TRAP && event->event_kind == TRAP)
        order = compare_positions(key->second_file, key->second_line, key->second_row,
                                  event->second_file, event->second_line, event->second_row);
    return order;
}

int compare_event_items(const tree_item* item, const void* key) {
    return compare_in_file(static_cast<const trap_event*>(tree_payload(item)),
                           static_cast<const trap_event*>(key));
}

file_events* file_entry(std::int32_t file) {
    file_events* known = trap_table.by_index.get(file);
    if (known) return known;
    tree_item* item = tree_insert(&trap_table.files, &file, sizeof(file_events),
                                  compare_file_entries);
    auto* entry = static_cast<file_events*>(tree_payload(item));
    if (item->rank == ITEM_NEW) {
        new (entry) file_events();
        entry->file = file;
        trap_table.by_index.set(file, entry);
    }
    return entry;
}

keyed_tree* events_of_file(std::int32_t file) { return &file_entry(file)->events; }

// A line and row as one number that sorts as the pair does: each half
// with its sign bit flipped, so that negative numbers sort first.
constexpr std::uint32_t SIGN_BIT = 0x80000000u;

std::uint64_t position_key(std::int32_t line, std::int32_t row) {
    return static_cast<std::uint64_t>(static_cast<std::uint32_t>(line) ^ SIGN_BIT) << 32 |
           (static_cast<std::uint32_t>(row) ^ SIGN_BIT);
}
std::int32_t line_of_key(std::uint64_t key) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(key >> 32) ^ SIGN_BIT);
}
std::int32_t row_of_key(std::uint64_t key) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(key) ^ SIGN_BIT);
}

std::uint64_t key_of(std::uint64_t end) { return end; }
std::uint64_t key_of(const function_start& start) { return start.key; }

// Ascending by key, the first recorded of each key kept.
template <class record>
void order_records(record_array<record>* array) {
    if (array->ordered) return;
    auto by_key = [](const record& a, const record& b) { return key_of(a) < key_of(b); };
    auto same_key = [](const record& a, const record& b) { return key_of(a) == key_of(b); };
    record* first = array->records;
    std::stable_sort(first, first + array->count, by_key);
    array->count = static_cast<std::int32_t>(std::unique(first, first + array->count, same_key) - first);
    array->ordered = true;
}

template <class record>
void append_record(record_array<record>* array, const record& value) {
    // A header read again by the next unit repeats its functions: a full
    // array drops its repeats before it grows, so it stays within twice its
    // distinct keys.
    bool full = array->count == array->room;
    if (full && !array->ordered) {
        order_records(array);
        full = array->count > array->room / 4 * 3;
    }
    if (full) {
        if (array->room > INT32_MAX / 2) arena_out_of_memory();
        std::int32_t room = array->room ? 2 * array->room : 16;
        void* grown = std::realloc(array->records, static_cast<std::size_t>(room) * sizeof(record));
        if (!grown) arena_out_of_memory();
        array->records = static_cast<record*>(grown);
        array->room = room;
    }
    // Functions come in line order almost always; one out of order or
    // repeated leaves the ordering to the next walk.
    if (array->count > 0 && key_of(array->records[array->count - 1]) >= key_of(value))
        array->ordered = false;
    array->records[array->count++] = value;
}

// At its file's end an array gives back its unused room, to the next
// file's arrays.
template <class record>
void fit_room(record_array<record>* array) {
    if (array->count == array->room || array->count == 0) return;
    void* fitted = std::realloc(array->records, array->count * sizeof(record));
    if (!fitted) return;
    array->records = static_cast<record*>(fitted);
    array->room = array->count;
}

// A start or end event for the walks, with the links a visitor expects before it.
struct made_item {
    tree_item links;
    trap_event event;
};
static_assert(offsetof(made_item, event) == TREE_LINK_SIZE, "a made event sits where a payload does");

// The start and end events one walk makes. A visitor may keep the start it
// was given and count into it until the next start, even past its file's
// end, so the counter goes back to its record when the next start comes and
// when the walk ends.
struct made_events {
    made_item start{};
    made_item end{};
    function_start* counted = nullptr;  // the record of the start last made

    made_events() {
        start.event.event_kind = FUNCTION_START;
        end.event.event_kind = FUNCTION_END;
    }
    void keep_counter() {
        if (counted) counted->counter = start.event.counter;
    }
    tree_item* make_start(std::int32_t file, function_start* record) {
        keep_counter();
        counted = record;
        start.event.file = file;
        start.event.line = line_of_key(record->key);
        start.event.row = row_of_key(record->key);
        start.event.data = record->function_name;
        start.event.counter = record->counter;
        return &start.links;
    }
    tree_item* make_end(std::int32_t file, std::uint64_t key) {
        end.event.file = file;
        end.event.line = line_of_key(key);
        end.event.row = row_of_key(key);
        return &end.links;
    }
};

bool sorts_before(std::uint64_t key_a, std::int32_t kind_a, std::uint64_t key_b, std::int32_t kind_b) {
    return key_a < key_b || (key_a == key_b && kind_a < kind_b);
}

// One file's events in table order: the tree's, with the function starts
// and ends merged in where their key and kind sort.
void walk_file(file_events* entry, made_events* made, void* argument, tree_visit visit) {
    record_array<function_start>& starts = entry->function_starts;
    record_array<std::uint64_t>& ends = entry->function_ends;
    order_records(&starts);
    order_records(&ends);
    std::int32_t next_start = 0;
    std::int32_t next_end = 0;
    auto visit_made_before = [&](std::uint64_t key, std::int32_t kind) {
        for (;;) {
            bool start_due = next_start < starts.count &&
                             sorts_before(starts.records[next_start].key, FUNCTION_START, key, kind);
            bool end_due = next_end < ends.count &&
                           sorts_before(ends.records[next_end], FUNCTION_END, key, kind);
            if (start_due && end_due) {  // the smaller first; at one position the start
                if (starts.records[next_start].key <= ends.records[next_end])
                    end_due = false;
                else
                    start_due = false;
            }
            if (start_due)
                visit(made->make_start(entry->file, &starts.records[next_start++]), argument);
            else if (end_due)
                visit(made->make_end(entry->file, ends.records[next_end++]), argument);
            else
                return;
        }
    };
    for (tree_item* item = entry->events.first; item;) {
        tree_item* next = item->next;
        if (next) __builtin_prefetch(next);
        const auto* event = static_cast<const trap_event*>(tree_payload(item));
        visit_made_before(position_key(event->line, event->row), event->event_kind);
        visit(item, argument);
        item = next;
    }
    visit_made_before(UINT64_MAX, FILE_END + 1);
}

// A justification needs its fields up to its line count; a file's end
// nothing but its key.
std::size_t event_size(std::int32_t kind) {
    switch (kind) {
    case FILE_START:
    case TRAP:
        return sizeof(trap_event);
    case FILE_END:
        return offsetof(trap_event, data);
    default:
        return offsetof(trap_event, second_file);
    }
}

trap_event* insert_event(const trap_event& key, bool* created) {
    std::size_t size = event_size(key.event_kind);
    tree_item* item = tree_insert(events_of_file(key.file), &key, size, compare_event_items);
    auto* event = static_cast<trap_event*>(tree_payload(item));
    *created = item->rank == ITEM_NEW;
    if (*created) std::memcpy(static_cast<void*>(event), &key, size);
    return event;
}

// A key at a position; no position gives file 0, line 0, row 0.
trap_event key_at(const xob_node* position, std::int32_t kind, std::int32_t rule) {
    trap_event key{};
    if (position) {
        key.file = position->file;
        key.line = position->line;
        key.row = position->row;
    }
    key.event_kind = kind;
    key.rule = rule;
    return key;
}

bool valid_rule(std::int32_t rule) { return rule >= 0 && rule < RULE_COUNT; }
static_assert(RULE_COUNT <= INT16_MAX, "a rule number fits a trap event");
static_assert(sizeof(trap_event) == 36 && offsetof(trap_event, data) == 16 &&
                  offsetof(trap_event, value) == 24 && offsetof(trap_event, second_file) == 28 &&
                  alignof(trap_event) <= TREE_PAYLOAD_ALIGN,
              "trap events");

constexpr std::size_t FOLDED_WORDS = (RULE_COUNT + 63) / 64;

bool has_folded(const trap_event* file_start, std::int32_t rule) {
    return file_start->folded_rules && (file_start->folded_rules[rule / 64] >> (rule % 64) & 1);
}

void set_folded(trap_event* file_start, std::int32_t rule) {
    if (!file_start->folded_rules)
        file_start->folded_rules =
            static_cast<std::uint64_t*>(arena_alloc(FOLDED_WORDS * sizeof(std::uint64_t)));
    file_start->folded_rules[rule / 64] |= std::uint64_t{1} << (rule % 64);
}

// Index of trap_counts for an unjustified trap of the rule.
int severity_slot(std::int32_t rule) { return std::clamp(rule_severity(rule), 1, 2); }

}  // namespace

void trap_table_walk(void* argument, tree_visit visit) {
    made_events made;
    for (tree_item* file = trap_table.files.first; file; file = file->next)
        walk_file(static_cast<file_events*>(tree_payload(file)), &made, argument, visit);
    made.keep_counter();
}

void record_file_start(name*, name* full_path, std::int32_t date, bool system_include,
                       name* version) {
    trap_event key{};
    key.file = file_index_of(full_path);
    key.event_kind = FILE_START;
    bool created;
    trap_event* event = insert_event(key, &created);
    if (created) {
        event->flag = system_include ? 1 : 0;
        event->data = version;
        event->value = date;
        event->counter = 0;
        event->folded_rules = nullptr;
        if (!system_include) ++file_count;
        file_start_events.set(event->file, event);
    }
    open_files.push_back(event);
    in_system_include = event->flag;
}

void record_file_end(name*, name* full_path) {
    trap_event key{};
    key.file = file_index_of(full_path);
    key.line = INT32_MAX;
    key.row = INT32_MAX;
    key.event_kind = FILE_END;
    bool created;
    insert_event(key, &created);
    file_events* entry = file_entry(key.file);
    fit_room(&entry->function_starts);
    fit_room(&entry->function_ends);
    if (!open_files.empty()) open_files.pop_back();
    in_system_include = open_files.empty() ? 0 : open_files.back()->flag;
}

void record_function_start(name* function_name, const xob_node* position) {
    trap_event key = key_at(position, FUNCTION_START, 0);
    function_start start;
    start.key = position_key(key.line, key.row);
    start.function_name = function_name;
    start.counter = 0;
    append_record(&file_entry(key.file)->function_starts, start);
}

// An end is placed by its key alone: no walk reads more of it.
void record_function_end(name*, const xob_node* end_position) {
    trap_event key = key_at(end_position, FUNCTION_END, 0);
    append_record(&file_entry(key.file)->function_ends, position_key(key.line, key.row));
}

void record_trap_element(const char* rule_identifier, const xob_node* position, name* parameter,
                         const xob_node* second_position) {
    if (!rule_identifier) return;
    rule_entry* entry = rule_by_identifier(rule_identifier);
    if (!entry) return;
    record_trap(rule_number_of(entry), position, second_position, parameter);
}

void record_justify_element(const char* rule_name, const xob_node* position, std::int32_t nbline,
                            bool all, name* comment) {
    if (!rule_name) return;
    rule_entry* entry = rule_by_name(rule_name);
    if (!entry) return;
    if (nbline == -1 && all) {
        rule_set_comment(entry, name_text(comment));
        return;
    }
    trap_event key = key_at(position, JUSTIFICATION, rule_number_of(entry));
    key.row = 0;
    key.flag = all ? 1 : 0;
    key.data = comment;
    key.nbline = nbline;
    key.use_count = 0;
    bool created;
    insert_event(key, &created);
    if (created) ++new_justifications;
}

namespace {

// The trap created by this call, or null (a rule that records nothing here,
// or a trap recorded before); its name is for the caller to set.
trap_event* new_trap(std::int32_t rule, const xob_node* position, const xob_node* second_position) {
    if (!valid_rule(rule) || rule_severity(rule) == 0 || in_system_include) return nullptr;
    bool folds = rule_repeat(rule) != 0;
    trap_event* open_file = open_files.empty() ? nullptr : open_files.back();
    if (folds && open_file && has_folded(open_file, rule)) return nullptr;

    trap_event key = key_at(position, TRAP, rule);
    key.flag = 1;
    if (second_position) {
        key.second_file = second_position->file;
        key.second_line = second_position->line;
        key.second_row = second_position->row;
    } else {
        key.second_line = -1;
    }
    bool created;
    trap_event* trap = insert_event(key, &created);
    if (!created) return nullptr;

    // A trap recorded after reading (by the link pass) is counted against the
    // file it lies in; one in a file without start event against the open
    // file, if any.
    trap_event* counted = file_start_events.get(trap->file);
    if (!counted) counted = open_file;
    if (counted && counted->counter++ == 0) ++files_with_traps;
    if (folds && open_file) set_folded(open_file, rule);
    return trap;
}

}  // namespace

void record_trap(std::int32_t rule, const xob_node* position, const xob_node* second_position,
                 name* trap_name) {
    if (trap_event* trap = new_trap(rule, position, second_position)) trap->name = trap_name;
}

void record_trap_pair(std::int32_t rule, const xob_node* position,
                      const xob_node* second_position, name* first_name, name* second_name) {
    trap_event* trap = new_trap(rule, position, second_position);
    if (!trap) return;
    if (!second_name) {
        trap->name = first_name;
        return;
    }
    // Only printed, and mostly unique: joined for a new trap alone, and kept
    // out of the name table.
    std::string joined = first_name ? name_text(first_name) : "??";
    joined += '#';
    joined += name_text(second_name);
    trap->name = name_outside_table(joined.data(), joined.size());
}

void end_xob_file() {
    max_justifications = std::max(max_justifications, new_justifications);
    new_justifications = 0;
    open_files.clear();
    in_system_include = 0;
}

namespace {

// The justifications of the current file that a walk has passed and that can
// still justify a trap, per rule, oldest first. The walk meets a file's
// traps in ascending line order, so a justification whose last line lies
// above the current trap, or that is used up, can never match again: it is
// dropped when it comes to the newest end, and each match costs constant
// time on average however many justifications a file holds.
class active_justifications {
public:
    void pass(trap_event* justification) {
        if (!empty_ && file_ != justification->file) clear();
        empty_ = false;
        file_ = justification->file;
        justification->use_count = 0;
        if (justification->rule < 0 || justification->rule >= RULE_COUNT) return;
        std::vector<trap_event*>& list = by_rule_[justification->rule];
        if (list.empty()) touched_.push_back(justification->rule);
        list.push_back(justification);
    }

    // The newest justification of the trap's file and rule that covers the
    // trap and is not used up, counting the use; null when none does.
    trap_event* match(const trap_event* trap) {
        if (empty_ || file_ != trap->file) return nullptr;
        if (trap->rule < 0 || trap->rule >= RULE_COUNT) return nullptr;
        std::vector<trap_event*>& list = by_rule_[trap->rule];
        while (!list.empty()) {
            trap_event* newest = list.back();
            bool used_up = newest->use_count != 0 && !newest->flag;
            std::int64_t last_line = static_cast<std::int64_t>(newest->line) + newest->nbline;
            if (used_up || last_line < trap->line) {
                list.pop_back();
                continue;
            }
            // Live and passed by the walk, so at or above the trap's line: it covers the trap.
            ++newest->use_count;
            return newest;
        }
        return nullptr;
    }

    void clear() {
        for (std::int32_t rule : touched_) by_rule_[rule].clear();
        touched_.clear();
        empty_ = true;
    }

private:
    bool empty_ = true;
    std::int32_t file_ = 0;
    std::vector<trap_event*> by_rule_[RULE_COUNT];
    std::vector<std::int32_t> touched_;  // rules whose list may hold entries
};

// Where a walk stands. A file's events are contiguous in table order, so a
// file start also ends whatever a file without end event left open.
struct walk_state {
    trap_event* file = nullptr;      // counting walk: the current non-system file
    trap_event* function = nullptr;  // counting walk: the current function
    std::int32_t system_depth = 0;
    const report_sink* sink = nullptr;  // writing walk only
    active_justifications justifications;
    bool file_node_open = false;
    // Function nodes open in the current file node; a function defined inside
    // another one nests in its node.
    std::int32_t function_nodes_open = 0;
    // The current trap's name split at each "#", kept from trap to trap so
    // that a trap costs no allocation (two to four of them a trap took 3%
    // of a run writing 300,000 traps).
    std::string name_parts;
    std::vector<const char*> name_starts;
};

void count_event(tree_item* item, void* argument) {
    auto* event = static_cast<trap_event*>(tree_payload(item));
    auto* state = static_cast<walk_state*>(argument);
    switch (event->event_kind) {
    case FILE_START:
        state->function = nullptr;
        state->system_depth = event->flag ? 1 : 0;
        state->file = event->flag ? nullptr : event;
        if (!event->flag) event->counter = 0;
        break;
    case FUNCTION_START:
        if (state->system_depth > 0) break;
        event->counter = 0;
        state->function = event;
        break;
    case JUSTIFICATION:
        state->justifications.pass(event);
        break;
    case TRAP: {
        if (state->system_depth > 0) break;
        bool justified = rule_comment(event->rule) || state->justifications.match(event);
        if (justified) {
            ++trap_counts[0];
            break;
        }
        rule_count_hit(event->rule);
        ++trap_counts[severity_slot(event->rule)];
        if (state->function) ++state->function->counter;
        if (state->file) ++state->file->counter;
        break;
    }
    case FUNCTION_END:
        state->function = nullptr;
        break;
    case FILE_END:
        if (state->system_depth > 0) --state->system_depth;
        state->file = nullptr;
        state->function = nullptr;
        break;
    }
}

// An end event without an open node (an end position before its start)
// closes nothing, so the report stays well formed.
void close_function_node(walk_state* state) {
    if (state->function_nodes_open == 0) return;
    state->sink->close_function_node();
    --state->function_nodes_open;
}

void close_file_node(walk_state* state) {
    while (state->function_nodes_open > 0) close_function_node(state);
    if (!state->file_node_open) return;
    state->sink->close_file_node();
    state->file_node_open = false;
}

// The file date as local time, cut before its first control character.
std::string date_text(std::int32_t date) {
    std::string text = local_time_text(static_cast<std::time_t>(date));
    auto control = std::find_if(text.begin(), text.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x20 || c == 0x7f;
    });
    text.erase(control, text.end());
    return text;
}

// The trap's name split at each "#", in the walk's buffers: valid until the next trap.
trap_names split_name(walk_state* state, const name* trap_name) {
    state->name_starts.clear();
    if (!trap_name) return trap_names{0, nullptr};
    const char* whole = name_text(trap_name);
    const char* first_hash = std::strchr(whole, '#');
    if (!first_hash) {
        state->name_starts.push_back(whole);  // most names: one part, used where it is
        return trap_names{1, state->name_starts.data()};
    }
    state->name_parts.assign(whole);
    char* text = &state->name_parts[0];
    state->name_starts.push_back(text);
    for (char* hash; (hash = std::strchr(text, '#')); text = hash + 1) {
        *hash = '\0';
        state->name_starts.push_back(hash + 1);
    }
    return trap_names{static_cast<int>(state->name_starts.size()), state->name_starts.data()};
}

void write_trap(walk_state* state, trap_event* trap) {
    std::int32_t level;
    const char* comment;
    if (trap_event* justification = state->justifications.match(trap)) {
        level = 3;
        comment = name_text(justification->data);
    } else if (const char* rule_wide = rule_comment(trap->rule)) {
        level = 3;
        comment = rule_wide;
    } else {
        level = rule_severity(trap->rule);
        comment = nullptr;
    }

    trap_names names = split_name(state, trap->name);

    bool has_second = trap->second_line >= 0;
    state->sink->write_trap_line(
        rule_display_name(trap->rule), rule_group(trap->rule), level,
        name_text(file_full_path(trap->file)), name_text(file_name_of(trap->file)), trap->line,
        trap->row, rule_errmsg(trap->rule),
        has_second ? name_text(file_full_path(trap->second_file)) : "?",
        has_second ? trap->second_line : 0, has_second ? trap->second_row : 0, names,
        rule_param(trap->rule), comment);
}

void write_event(tree_item* item, void* argument) {
    auto* event = static_cast<trap_event*>(tree_payload(item));
    auto* state = static_cast<walk_state*>(argument);
    const report_sink* sink = state->sink;
    switch (event->event_kind) {
    case FILE_START:
        close_file_node(state);
        state->system_depth = event->flag ? 1 : 0;
        if (event->flag) break;
        sink->write_file_node(name_text(file_name_of(event->file)),
                              name_text(file_full_path(event->file)), event->counter,
                              date_text(event->value).c_str(),
                              event->data ? name_text(event->data) : nullptr);
        state->file_node_open = true;
        break;
    case FUNCTION_START:
        if (state->system_depth > 0) break;
        sink->write_function_node(name_text(event->data), event->counter,
                                  name_text(file_full_path(event->file)), event->line);
        ++state->function_nodes_open;
        break;
    case JUSTIFICATION:
        state->justifications.pass(event);
        break;
    case TRAP:
        if (state->system_depth == 0) write_trap(state, event);
        break;
    case FUNCTION_END:
        if (state->system_depth == 0) close_function_node(state);
        break;
    case FILE_END:
        if (state->system_depth > 0)
            --state->system_depth;
        else
            close_file_node(state);
        break;
    }
}

}  // namespace

void count_traps() {
    std::fill(std::begin(trap_counts), std::end(trap_counts), 0);
    walk_state state;
    trap_table_walk(&state, count_event);
}

void report_traps(const report_sink* sink) {
    walk_state state;
    state.sink = sink;
    trap_table_walk(&state, write_event);
    close_file_node(&state);
}
