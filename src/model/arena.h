// Bump allocation for records that live until the process ends.
#pragma once
#include <cstddef>

// Returns zero-filled memory aligned to eight bytes; never returns null (an
// exhausted heap ends the process with a message on standard error).
void* arena_alloc(std::size_t size);

// Zero-filled memory for a large table that may be given back, on huge pages
// where the system offers them; freed with the same size.
void* zeroed_table_alloc(std::size_t bytes);
void zeroed_table_free(void* table, std::size_t bytes);

// Ends the process with the message of an exhausted heap.
[[noreturn]] void arena_out_of_memory();

// Copies a NUL-terminated text into the arena.
char* arena_strdup(const char* text);
