// Interned texts: equal texts are the same name, so names compare by identity.
#pragma once
#include <cstdint>

struct name {
    std::int32_t index;  // file-table index cache for a file's full path, else -1
    void* binding;       // nodes bound to an identifier, or a file's start event
    char text[1];        // NUL-terminated, allocated to its full length
};

name* name_intern(const char* text);
const char* name_text(const name* n);  // "" for a null name
void* name_binding(const name* n);
void name_set_binding(name* n, void* binding);
std::int32_t name_index(const name* n);
void name_set_index(name* n, std::int32_t index);
