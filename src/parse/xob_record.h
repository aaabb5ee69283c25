// What a reading thread records of one xob file, so that the thread that
// owns the model can replay it: the actions the grammar reduced, in order,
// with their values, and what the parse printed (the parser's error
// recovery shows as the actions it did and did not reduce). Replayed, a
// record calls the same actions with the same values as parsing the file
// on that thread would have, and prints the same bytes at the same points.
//
// Each entry is its operation and text length (two native ints; the length
// -1 without a text), the operation's arguments (native ints), then the
// text and a NUL byte. Values are numbered: 0 is no value, and an entry that
// makes one gives it the number that value_numbering says.
#pragma once
#include <cstdint>
#include <cstring>
#include <cstdio>

#include "parse/record_chunks.h"

enum record_op : std::int32_t {
    // Attribute values: the text a string value interns
    // (attribute_value_text of the text between the quotes) with its name_hash
    // as argument, or the number (argument) a numeric value reads as.
    OP_STRING,
    OP_NUMBER,
    // Printing: "label : text " (text: the label, NUL, the token), or bytes.
    OP_PRINT_PAIR,
    OP_PRINT,
    // The actions of the xob grammar (xob_actions.h), arguments as there.
    OP_APPEND_BLOCK,
    OP_MODULE,
    OP_POSITION_BY_NAME,
    OP_POSITION_BY_NUMBER,
    // A position by number whose three values were the three numbers made
    // last, with those numbers as its arguments in their place.
    OP_POSITION_AT,
    OP_DEFINE,
    OP_FIELD,
    OP_ENUM,
    OP_TYPEDEF,
    OP_DECLARE,
    OP_FILE,
    OP_SOURCE_START,
    OP_SOURCE_END,
    OP_FUNCTION_DECLARATION,
    OP_FUNCTION_START,
    OP_FUNCTION_END,
    OP_XOB_START,
    OP_XOB_END,
    OP_OBJECT,
    OP_REFERENCE,
    OP_JUSTIFY,
    OP_TRAP,
    // The scanner failed (text: flex's message): the run ends there.
    OP_SCANNER_FAILED,
    // The parse ended with the status of its argument.
    OP_END,
    OP_COUNT
};

struct record_op_shape {
    int arguments;
    bool values;    // the arguments are value numbers (else plain integers)
    bool makes;     // makes a value
    bool consumes;  // its values die with it (not the start of a construct)
};

extern const record_op_shape RECORD_OP_SHAPES[OP_COUNT];

// Copies `count` arguments (at most nine) of four bytes, one load and one
// store each: a loop, or a copy of a size not known when compiling, would
// call the library for a few bytes.
inline void copy_arguments(void* to, const void* from, int count) {
    auto* out = static_cast<char*>(to);
    const auto* in = static_cast<const char*>(from);
    auto one = [&](int i) { std::memcpy(out + 4 * i, in + 4 * i, 4); };
    switch (count) {
        case 9: one(8); [[fallthrough]];
        case 8: one(7); [[fallthrough]];
        case 7: one(6); [[fallthrough]];
        case 6: one(5); [[fallthrough]];
        case 5: one(4); [[fallthrough]];
        case 4: one(3); [[fallthrough]];
        case 3: one(2); [[fallthrough]];
        case 2: one(1); [[fallthrough]];
        case 1: one(0); [[fallthrough]];
        default: break;
    }
}

// The numbers of values, kept alike by the recorder and the replay. The
// parser's values live on its stack, so an action that consumes values ends
// every value made since the oldest of them: its own value takes that
// number, and the next value the one after.
class value_numbering {
public:
    // The number of the value made by an entry with these arguments.
    std::uint32_t number_made(record_op op, const std::int32_t* arguments) {
        const record_op_shape& shape = RECORD_OP_SHAPES[op];
        std::uint32_t made = next_;
        if (shape.consumes && shape.values) {
            for (int i = 0; i < shape.arguments; ++i) {
                auto argument = static_cast<std::uint32_t>(arguments[i]);
                if (argument != 0 && argument < made) made = argument;
            }
        }
        next_ = made + 1;
        return made;
    }

private:
    std::uint32_t next_ = 1;
};

// The parse of an open xob file on a reading thread, recorded. Stops early,
// ending the record, when the writer's reader wants no more.
void record_xob_file(std::FILE* stream, const char* file_name, chunk_writer& out);

// Reads a record into the model: the outputs are those of read_xob_file.
void replay_xob_record(chunk_source& record);
// The model size from which a replay fetches what its next entries will read
// (64 MB; tests set it lower to run that path on small models).
void set_replay_fetch_ahead_from(std::size_t model_bytes);
