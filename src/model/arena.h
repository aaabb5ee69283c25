// Bump allocation for records that live until the process ends.
#pragma once
#include <cstddef>

// Returns zero-filled memory aligned to eight bytes; never returns null (an
// exhausted heap ends the process with a message on standard error).
void* arena_alloc(std::size_t size);

// Ends the process with the message of an exhausted heap.
[[noreturn]] void arena_out_of_memory();

// Copies a NUL-terminated text into the arena.
char* arena_strdup(const char* text);
