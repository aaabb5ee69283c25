// What a reading thread records of one xob file, so that the thread that
// owns the model can replay it: the actions the grammar reduced, in order,
// with their values, and what the parse printed (the parser's error
// recovery shows as the actions it did and did not reduce). Replayed, a
// record calls the same actions with the same values as parsing the file
// on that thread would have, and prints the same bytes at the same points.
//
// Each entry is its operation and text length (two native ints; the length
// -1 without a text), the operation's arguments (native ints, as many as
// its shape says), then the text and a NUL byte. Values are numbered as
// value_numbering.h explains. write_entry and read_entry are the only code
// that knows this layout.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "reading/record_chunks.h"
#include "reading/value_numbering.h"
#include "reading/xob_record_ops.h"

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

// The bytes of an entry of `op` with a text of `text_length` bytes (no text:
// `has_text` false).
inline std::size_t entry_size(record_op op, bool has_text, std::size_t text_length) {
    return 2 * sizeof(std::int32_t) + sizeof(std::int32_t) * static_cast<std::size_t>(RECORD_OP_SHAPES[op].arguments) +
           (has_text ? text_length + 1 : 0);
}

// Writes an entry at `at`, which has room for entry_size bytes. `text` may
// be null; `arguments` may be null for an operation that takes none.
inline void write_entry(char* at, record_op op, const std::int32_t* arguments, const char* text,
                        std::size_t text_length) {
    std::int32_t header[2] = {op, text ? static_cast<std::int32_t>(text_length) : -1};
    std::memcpy(at, header, sizeof header);
    std::size_t argument_bytes = sizeof(std::int32_t) * static_cast<std::size_t>(RECORD_OP_SHAPES[op].arguments);
    if (arguments) std::memcpy(at + sizeof header, arguments, argument_bytes);
    if (text) {
        char* text_at = at + sizeof header + argument_bytes;
        std::memcpy(text_at, text, text_length);
        text_at[text_length] = '\0';
    }
}

// One entry of a record, read out of its bytes.
struct record_entry {
    record_op op;
    std::int32_t text_length;  // -1 without a text
    std::int32_t arguments[MAX_RECORD_ARGUMENTS];
    const char* text;
    const char* next;  // the entry after it
};

inline record_entry read_entry(const char* at) {
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

// The parse of an open xob file on a reading thread, recorded. Stops early,
// ending the record, when the writer's reader wants no more.
void record_xob_file(std::FILE* stream, const char* file_name, chunk_writer& out);

// Reads a record into the model: the outputs are those of read_xob_file.
// False where the record says the scanner failed, with flex's message in
// `scanner_message`: the caller ends the run with
// end_on_scanner_failure once its reading threads are stopped.
bool replay_xob_record(chunk_source& record, std::string& scanner_message);
// Prints the message and ends the run as flex ends it.
[[noreturn]] void end_on_scanner_failure(const std::string& message);
// The model size from which a replay fetches what its next entries will read
// (64 MB; tests set it lower to run that path on small models).
void set_replay_fetch_ahead_from(std::size_t model_bytes);
