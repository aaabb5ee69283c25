#include "model/name_table.h"

#include <cstddef>
#include <cassert>
#include <cstring>

#include "model/arena.h"
#include "model/hashed_set.h"
#include "model/name_sequences.h"

namespace {

hashed_set<name> name_set;  // every interned name; its order is never observed

name* new_name(const char* bytes, std::size_t length, std::uint32_t hash) {
    auto* entry = static_cast<name*>(arena_alloc(offsetof(name, text) + length + 1));
    entry->index = -1;
    entry->hash = hash;
    entry->binding = nullptr;
    std::memcpy(entry->text, bytes, length);
    entry->text[length] = '\0';
    return entry;
}

// A name met again is bound a few tokens on by the element that names it:
// what it binds already is fetched meanwhile.
void prefetch_bindings(const name* known) {
    if (known->binding.number) __builtin_prefetch(arena_record(known->binding.number));
}

}  // namespace

name* name_intern(const char* text) { return name_intern_bytes(text, std::strlen(text)); }

std::uint32_t name_hash(const char* bytes, std::size_t length) {
    return static_cast<std::uint32_t>(hash_bytes(bytes, length));
}

name* name_intern_bytes(const char* bytes, std::size_t length) {
    return name_intern_hashed(bytes, length, name_hash(bytes, length));
}

void name_prefetch_slot(std::uint32_t hash) { name_set.prefetch_slot(hash); }
void name_prefetch_name(std::uint32_t hash) { name_set.prefetch_record(hash); }

name* name_intern_hashed(const char* bytes, std::size_t length, std::uint32_t hash) {
    assert(hash == name_hash(bytes, length));
    name* found = name_set.find(hash, [&](const name* entry) {
        return std::strncmp(entry->text, bytes, length) == 0 && entry->text[length] == '\0';
    });
    if (found) {
        prefetch_bindings(found);
        return found;
    }
    name* entry = new_name(bytes, length, hash);
    name_set.add(entry);
    return entry;
}

name* name_outside_table(const char* bytes, std::size_t length) {
    return new_name(bytes, length, name_hash(bytes, length));
}

name* name_intern_read(const char* bytes, std::size_t length, std::uint32_t hash) {
    if (name* expected = name_sequence_predict(bytes, length, hash)) {
        prefetch_bindings(expected);
        return expected;
    }
    name* interned = name_intern_hashed(bytes, length, hash);
    name_sequence_note(interned);
    return interned;
}

const char* name_text(const name* n) { return n ? n->text : ""; }
void* name_binding(const name* n) { return n ? static_cast<void*>(n->binding) : nullptr; }
void name_set_binding(name* n, void* binding) {
    if (n) n->binding = binding;
}
std::int32_t name_index(const name* n) { return n ? n->index : -1; }
void name_set_index(name* n, std::int32_t index) {
    if (n) n->index = index;
}
