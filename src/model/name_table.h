// Interned texts: equal texts are the same name, so names compare by identity.
#pragma once
#include <cstddef>
#include <cstdint>

#include "model/arena.h"

struct name {
    std::int32_t index;  // file-table index cache for a file's full path, else -1
    std::uint32_t hash;  // of the text, for the table's probes
    arena_ref<void> binding;  // nodes bound to an identifier, or a file's start event
    char text[1];        // NUL-terminated, allocated to its full length
};

name* name_intern(const char* text);
// The first `length` bytes, which hold no NUL byte: straight from a buffer
// without copying the text first.
name* name_intern_bytes(const char* bytes, std::size_t length);
// The hash name_intern_bytes gives these bytes; the same interning with the
// hash computed already (by a reading thread).
std::uint32_t name_hash(const char* bytes, std::size_t length);
name* name_intern_hashed(const char* bytes, std::size_t length, std::uint32_t hash);
// The same for a text read from an xob file, in the order of the file: the
// name may come from the order of an earlier read of the same source file
// (see model/name_sequences.h).
name* name_intern_read(const char* bytes, std::size_t length, std::uint32_t hash);
// A name record the table does not hold, for a text that is only ever
// printed (a trap's joined names): a unique text then neither grows the
// table nor waits for a probe of it. It is never the interned name of its text.
name* name_outside_table(const char* bytes, std::size_t length);
// Ask the processor to fetch what interning a text of this hash will read,
// so that a reader that knows the texts to come hides the table's cache
// misses behind the work in between: first the table's slot, then (once the
// slot is at hand) the name it holds. Neither changes anything.
void name_prefetch_slot(std::uint32_t hash);
void name_prefetch_name(std::uint32_t hash);
const char* name_text(const name* n);  // "" for a null name
void* name_binding(const name* n);
void name_set_binding(name* n, void* binding);  // a record of the arena, or null
std::int32_t name_index(const name* n);
void name_set_index(name* n, std::int32_t index);
