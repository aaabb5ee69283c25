#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "driver/kyvlink.h"
#include "model/arena.h"
#include "model/binding_lists.h"
#include "model/file_table.h"
#include "model/name_table.h"
#include "model/xob_node.h"
#include "parse/xob_actions.h"
#include "parse/xob_reader.h"
#include "reading/xob_action_check.h"
#include "reading/xob_record.h"

CHECK_XOB_ACTION_LIST(XOB_ACTIONS)

namespace {

// Flex's status for a scanner that cannot go on.
constexpr int SCANNER_FAILURE_STATUS = 2;

// What the look-ahead fetches for an entry (the action list's fetch
// columns): the binding kind, or one of these (slot tags are not negative).
constexpr std::int32_t NO_FETCH = -1;
constexpr std::int32_t FETCH_USE = -2;  // a use: declarations, definitions, functions

struct element_fetch {
    std::int32_t kind;
    int name, position;  // which of its values
};

constexpr element_fetch ELEMENT_FETCHES[OP_COUNT] = {
#define XOB_NO_FETCH(...) {NO_FETCH, 0, 0},
#define XOB_FETCH(op, function, values, consumes, kind, name, position) {kind, name, position},
    XOB_RECORD_DATA(XOB_NO_FETCH) XOB_ACTIONS(XOB_FETCH)
#undef XOB_NO_FETCH
#undef XOB_FETCH
};

// The values of one file's record by number, with the numbering's
// lifetimes: a value made takes its number, ending every later one.
class replay_values {
public:
    replay_values() : values_(1, no_value()) {}

    xob_value& at(std::int32_t number) {
        auto index = static_cast<std::size_t>(number);
        return index < values_.size() ? values_[index] : none_;
    }

    // A number made is at most one past the last: it ends every later one.
    void made(std::uint32_t number, const xob_value& value) {
        if (number < values_.size()) {
            values_[number] = value;
            values_.resize(number + 1);
        } else {
            values_.push_back(value);
        }
    }

private:
    std::vector<xob_value> values_;
    xob_value none_ = no_value();
};

// Calls the model's action `Action` with the values the entry names.
template <auto Action, std::size_t... I>
xob_value call_action(const std::int32_t* a, replay_values& v, std::index_sequence<I...>) {
    return Action(v.at(a[I])...);
}

// Calls the action of one entry; the value it makes. An entry that ends the
// replay (END, SCANNER_FAILED) is the caller's.
xob_value run(record_op op, const std::int32_t* a, const char* text, std::int32_t text_length,
              replay_values& v) {
    switch (op) {
        case OP_STRING:
            return string_attribute(
                name_intern_read(text, static_cast<std::size_t>(text_length), static_cast<std::uint32_t>(a[0])));
        case OP_NUMBER: return number_attribute(a[0]);
        case OP_POSITION_AT:
            return act_position_by_number(number_attribute(a[0]), number_attribute(a[1]), number_attribute(a[2]));
        case OP_PRINT_PAIR: print_pair(text, text + std::strlen(text) + 1); break;
        case OP_PRINT: std::fwrite(text, 1, static_cast<std::size_t>(text_length), stdout); break;
        case OP_SCANNER_FAILED:
        case OP_END:
        case OP_COUNT: break;
#define XOB_REPLAY_ACTION(op, function, values, ...) \
        case OP_##op: return call_action<&::function>(a, v, std::make_index_sequence<values>());
        XOB_ACTIONS(XOB_REPLAY_ACTION)
#undef XOB_REPLAY_ACTION
    }
    return no_value();
}

// How many entries ahead the replay fetches what it will read: the table
// slots of string values and the position index slots that binding will
// probe first, then, once a slot is at hand, the name it holds.
constexpr int SLOT_AHEAD = 24;
constexpr int NAME_AHEAD = 8;

// The model size from which the replay fetches ahead. A smaller model stays
// in the processor's caches, and reading every entry a second time costs
// more than the fetches save (9% of a two-thread run on a 50 MB model; on
// one of 200 MB they save 3%).
std::size_t lookahead_from_model_bytes = 64 << 20;

// A cursor kept SLOT_AHEAD entries after the one being replayed (within its
// chunk). Each entry it passes is read once: a string value's table slot is
// fetched at once and its name NAME_AHEAD entries before the replay reaches
// it; the values are followed, so that the position index slots that the
// named elements and uses will probe (the look-up in binding that misses the
// cache most) are fetched too. Made for one file, it stays on or off for the
// file.
class record_lookahead {
public:
    record_lookahead() : on_(arena_bytes() >= lookahead_from_model_bytes) {}

    void restart(const char* at, const char* end) {
        if (!on_) return;
        end_ = end;
        cursor_ = at;
        for (int i = 0; i < SLOT_AHEAD && cursor_ < end_; ++i) step();
    }
    // The replay goes on to its next entry.
    void advance() {
        if (!on_) return;
        if (cursor_ < end_) step();
        std::size_t near = replayed_++ + NAME_AHEAD;  // passed, and not yet overwritten
        if (near < stepped_ && passed_[near % PASSED].string) name_prefetch_name(passed_[near % PASSED].hash);
    }

private:
    void step() {
        record_entry entry = read_entry(cursor_);
        cursor_ = entry.next;
        const std::int32_t* a = entry.arguments;
        passed& here = passed_[stepped_++ % PASSED];
        here.string = entry.op == OP_STRING;
        known made;
        switch (entry.op) {
            case OP_STRING:
                here.hash = static_cast<std::uint32_t>(a[0]);
                name_prefetch_slot(here.hash);
                made = {known::string, a[0], 0, 0};
                break;
            case OP_NUMBER: made = {known::number, a[0], 0, 0}; break;
            case OP_POSITION_BY_NUMBER:
                if (at(a[0]).what == known::number && at(a[1]).what == known::number &&
                    at(a[2]).what == known::number)
                    made = {known::position, at(a[0]).a, at(a[1]).a, at(a[2]).a};
                break;
            case OP_POSITION_AT: made = {known::position, a[0], a[1], a[2]}; break;
            default: {
                const element_fetch& element = ELEMENT_FETCHES[entry.op];
                if (element.kind != NO_FETCH) fetch(element.kind, a[element.name], a[element.position]);
                break;
            }
        }
        if (!RECORD_OP_SHAPES[entry.op].makes) return;
        std::uint32_t number = numbering_.number_made(entry.op, a);
        if (number < values_.size()) {
            values_[number] = made;
            values_.resize(number + 1);
        } else {
            values_.push_back(made);
        }
    }

    // What is known of a value: a string's hash, a number, or the file
    // number, line and row of a position.
    struct known {
        enum { nothing, string, number, position } what = nothing;
        std::int32_t a = 0, b = 0, c = 0;
    };

    const known& at(std::int32_t number) const {
        static const known none;
        auto index = static_cast<std::size_t>(number);
        return index < values_.size() ? values_[index] : none;
    }

    void fetch(std::int32_t kind, std::int32_t name_value, std::int32_t position_value) const {
        const known& text = at(name_value);
        const known& position = at(position_value);
        if (text.what != known::string || position.what != known::position) return;
        auto hash = static_cast<std::uint32_t>(text.a);
        std::int32_t file = file_number_index(position.a);
        if (kind != FETCH_USE) {
            prefetch_newest_at(hash, kind, file, position.b, position.c);
            return;
        }
        for (std::int32_t use_kind : {a_declaration, a_definition, a_function})
            prefetch_newest_at(hash, use_kind, file, position.b, position.c);
    }

    // The string values among the entries passed last.
    struct passed {
        bool string = false;
        std::uint32_t hash = 0;
    };
    static constexpr std::size_t PASSED = 32;
    static_assert(PASSED > SLOT_AHEAD, "the entries between the replay and the cursor");

    bool on_;
    const char* cursor_ = nullptr;
    const char* end_ = nullptr;
    std::size_t stepped_ = 0;   // entries passed by the cursor
    std::size_t replayed_ = 0;  // entries the replay went on to
    passed passed_[PASSED];
    value_numbering numbering_;
    std::vector<known> values_;
};

}  // namespace

void set_replay_fetch_ahead_from(std::size_t model_bytes) { lookahead_from_model_bytes = model_bytes; }

bool replay_xob_record(chunk_source& record, std::string& scanner_message) {
    xob_node* outer_scope = current_scope;
    replay_values values;
    value_numbering numbering;
    const char* at = nullptr;
    const char* end = nullptr;
    record_lookahead ahead;
    for (;;) {
        if (at == end) {
            // A record always ends with OP_END; one cut short counts as abandoned.
            if (!record.next_chunk(at, end)) break;
            ahead.restart(at, end);
            continue;
        }
        ahead.advance();
        record_entry entry = read_entry(at);
        at = entry.next;
        if (entry.op == OP_END) {
            finish_xob_file(entry.arguments[0], outer_scope);
            return true;
        }
        if (entry.op == OP_SCANNER_FAILED) {
            scanner_message = entry.text;
            return false;
        }
        xob_value value = run(entry.op, entry.arguments, entry.text, entry.text_length, values);
        if (RECORD_OP_SHAPES[entry.op].makes) values.made(numbering.number_made(entry.op, entry.arguments), value);
    }
    finish_xob_file(1, outer_scope);
    return true;
}

void end_on_scanner_failure(const std::string& message) {
    std::fprintf(stderr, "%s\n", message.c_str());
    std::exit(SCANNER_FAILURE_STATUS);
}
