// A source file read again (a header that every unit includes) usually
// holds the same texts in the same order as the time before. Its names are
// then taken from that order: one read of a short array, instead of a probe
// of the name table at a random place for every text, which misses the
// caches once the table is larger than they are. Every name taken from the
// order is checked against the text read, so a file that differs costs only
// its fallback to the table.
#pragma once
#include <cstddef>
#include <cstdint>

struct name;

// A source file's contents begin (null: a file without a path) and end;
// files may nest. A new xob file begins with no source file open.
void name_sequence_enter(const name* file);
void name_sequence_leave();
void name_sequence_reset();

namespace name_sequence_detail {
enum class mode : std::uint8_t { pass, record, predict };
extern mode current;  // the innermost open file's
name* predict(const char* bytes, std::size_t length, std::uint32_t hash);
void record(const name* interned);
}  // namespace name_sequence_detail

// The name these bytes will be if the open file goes on as it did the time
// before, or null.
inline name* name_sequence_predict(const char* bytes, std::size_t length, std::uint32_t hash) {
    if (name_sequence_detail::current != name_sequence_detail::mode::predict) return nullptr;
    return name_sequence_detail::predict(bytes, length, hash);
}

// A name interned from the table, in the order the open file reads them.
inline void name_sequence_note(const name* interned) {
    if (name_sequence_detail::current == name_sequence_detail::mode::record)
        name_sequence_detail::record(interned);
}
