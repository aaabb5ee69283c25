#include <cstdio>
#include <cstdlib>
#include <cstring>
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
#include "parse/xob_record.h"

// arguments, values, makes, consumes
const record_op_shape RECORD_OP_SHAPES[OP_COUNT] = {
    {1, false, true, false},  // OP_STRING
    {1, false, true, false},  // OP_NUMBER
    {0, false, false, false}, // OP_PRINT_PAIR
    {0, false, false, false}, // OP_PRINT
    {2, true, true, true},    // OP_APPEND_BLOCK
    {1, true, true, true},    // OP_MODULE
    {4, true, true, true},    // OP_POSITION_BY_NAME
    {3, true, true, true},    // OP_POSITION_BY_NUMBER
    {3, false, true, false},  // OP_POSITION_AT
    {7, true, true, true},    // OP_DEFINE
    {5, true, true, true},    // OP_FIELD
    {3, true, true, true},    // OP_ENUM
    {7, true, true, true},    // OP_TYPEDEF
    {4, true, true, true},    // OP_DECLARE
    {4, true, true, true},    // OP_FILE
    {7, true, true, false},   // OP_SOURCE_START: its values serve its end too
    {9, true, true, true},    // OP_SOURCE_END
    {3, true, true, true},    // OP_FUNCTION_DECLARATION
    {4, true, true, false},   // OP_FUNCTION_START
    {6, true, true, true},    // OP_FUNCTION_END
    {3, true, true, false},   // OP_XOB_START
    {5, true, true, true},    // OP_XOB_END
    {3, true, true, true},    // OP_OBJECT
    {3, true, true, true},    // OP_REFERENCE
    {5, true, true, true},    // OP_JUSTIFY
    {4, true, true, true},    // OP_TRAP
    {0, false, false, false}, // OP_SCANNER_FAILED
    {1, false, false, false}, // OP_END
};

namespace {

// Flex's status for a scanner that cannot go on.
constexpr int SCANNER_FAILURE_STATUS = 2;

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

// Calls the action of one entry; the value it makes.
xob_value run(record_op op, const std::int32_t* a, const char* text, std::int32_t text_length,
              replay_values& v) {
    switch (op) {
        case OP_STRING:
            return string_attribute(
                name_intern_read(text, static_cast<std::size_t>(text_length), static_cast<std::uint32_t>(a[0])));
        case OP_NUMBER: return number_attribute(a[0]);
        case OP_PRINT_PAIR: print_pair(text, text + std::strlen(text) + 1); break;
        case OP_PRINT: std::fwrite(text, 1, static_cast<std::size_t>(text_length), stdout); break;
        case OP_APPEND_BLOCK: return append_block(v.at(a[0]), v.at(a[1]));
        case OP_MODULE: return act_module(v.at(a[0]));
        case OP_POSITION_BY_NAME: return act_position_by_name(v.at(a[0]), v.at(a[1]), v.at(a[2]), v.at(a[3]));
        case OP_POSITION_BY_NUMBER: return act_position_by_number(v.at(a[0]), v.at(a[1]), v.at(a[2]));
        case OP_POSITION_AT:
            return act_position_by_number(number_attribute(a[0]), number_attribute(a[1]), number_attribute(a[2]));
        case OP_DEFINE:
            return act_define(v.at(a[0]), v.at(a[1]), v.at(a[2]), v.at(a[3]), v.at(a[4]), v.at(a[5]), v.at(a[6]));
        case OP_FIELD: return act_field(v.at(a[0]), v.at(a[1]), v.at(a[2]), v.at(a[3]), v.at(a[4]));
        case OP_ENUM: return act_enum(v.at(a[0]), v.at(a[1]), v.at(a[2]));
        case OP_TYPEDEF:
            return act_typedef(v.at(a[0]), v.at(a[1]), v.at(a[2]), v.at(a[3]), v.at(a[4]), v.at(a[5]), v.at(a[6]));
        case OP_DECLARE: return act_declare(v.at(a[0]), v.at(a[1]), v.at(a[2]), v.at(a[3]));
        case OP_FILE: return act_file(v.at(a[0]), v.at(a[1]), v.at(a[2]), v.at(a[3]));
        case OP_SOURCE_START:
            return act_source_start(v.at(a[0]), v.at(a[1]), v.at(a[2]), v.at(a[3]), v.at(a[4]), v.at(a[5]),
                                    v.at(a[6]));
        case OP_SOURCE_END:
            return act_source_end(v.at(a[0]), v.at(a[1]), v.at(a[2]), v.at(a[3]), v.at(a[4]), v.at(a[5]),
                                  v.at(a[6]), v.at(a[7]), v.at(a[8]));
        case OP_FUNCTION_DECLARATION: return act_function_declaration(v.at(a[0]), v.at(a[1]), v.at(a[2]));
        case OP_FUNCTION_START: return act_function_start(v.at(a[0]), v.at(a[1]), v.at(a[2]), v.at(a[3]));
        case OP_FUNCTION_END:
            return act_function_end(v.at(a[0]), v.at(a[1]), v.at(a[2]), v.at(a[3]), v.at(a[4]), v.at(a[5]));
        case OP_XOB_START: return act_xob_start(v.at(a[0]), v.at(a[1]), v.at(a[2]));
        case OP_XOB_END: return act_xob_end(v.at(a[0]), v.at(a[1]), v.at(a[2]), v.at(a[3]), v.at(a[4]));
        case OP_OBJECT: return act_object(v.at(a[0]), v.at(a[1]), v.at(a[2]));
        case OP_REFERENCE: return act_reference(v.at(a[0]), v.at(a[1]), v.at(a[2]));
        case OP_JUSTIFY: return act_justify(v.at(a[0]), v.at(a[1]), v.at(a[2]), v.at(a[3]), v.at(a[4]));
        case OP_TRAP: return act_trap(v.at(a[0]), v.at(a[1]), v.at(a[2]), v.at(a[3]));
        case OP_SCANNER_FAILED:
            std::fprintf(stderr, "%s\n", text);
            std::exit(SCANNER_FAILURE_STATUS);
        case OP_END:
        case OP_COUNT: break;
    }
    return no_value();
}

// How many entries ahead the replay fetches what it will read: the table
// slots of string values and the position index slots that binding will
// probe first, then, once a slot is at hand, the name it holds.
constexpr int SLOT_AHEAD = 24;
constexpr int NAME_AHEAD = 8;

// One entry of a record, read out of its bytes.
struct record_entry {
    record_op op;
    std::int32_t text_length;  // -1 without a text
    std::int32_t arguments[9];
    const char* text;
    const char* next;  // the entry after it
};

record_entry read_entry(const char* at) {
    record_entry entry;
    std::int32_t header[2];  // operation, text length
    std::memcpy(header, at, sizeof header);
    entry.op = static_cast<record_op>(header[0]);
    entry.text_length = header[1];
    const char* arguments = at + sizeof header;
    int count = RECORD_OP_SHAPES[entry.op].arguments;
    copy_arguments(entry.arguments, arguments, count);
    entry.text = arguments + count * sizeof(std::int32_t);
    entry.next = entry.text + (entry.text_length >= 0 ? entry.text_length + 1 : 0);
    return entry;
}

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
            case OP_DEFINE: fetch(a[0], a_definition, a[6]); break;
            case OP_DECLARE: fetch(a[0], a_declaration, a[3]); break;
            case OP_TYPEDEF: fetch(a[0], a_typedef, a[6]); break;
            case OP_ENUM: fetch(a[0], a_enum, a[2]); break;
            case OP_FIELD: fetch(a[0], a_field, a[4]); break;
            case OP_FUNCTION_DECLARATION: fetch(a[0], a_function_declaration, a[2]); break;
            case OP_FUNCTION_START: fetch(a[0], a_function, a[3]); break;
            case OP_OBJECT:
                for (std::int32_t kind : {a_declaration, a_definition, a_function}) fetch(a[0], kind, a[2]);
                break;
            default: break;
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

    void fetch(std::int32_t name_value, std::int32_t kind, std::int32_t position_value) const {
        const known& text = at(name_value);
        const known& position = at(position_value);
        if (text.what != known::string || position.what != known::position) return;
        prefetch_newest_at(static_cast<std::uint32_t>(text.a), kind, file_number_index(position.a),
                           position.b, position.c);
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

void replay_xob_record(chunk_source& record) {
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
            return;
        }
        xob_value value = run(entry.op, entry.arguments, entry.text, entry.text_length, values);
        if (RECORD_OP_SHAPES[entry.op].makes) values.made(numbering.number_made(entry.op, entry.arguments), value);
    }
    finish_xob_file(1, outer_scope);
}
