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

// Zero-filled memory of a power-of-two size, aligned to that size, never
// freed; on huge pages where the system offers them, its pages counting in
// the peak once written.
void* aligned_pages_alloc(std::size_t bytes);

// Blocks made ready on another thread. The first write to fresh memory makes
// the kernel clear its pages, a large part of building the model; a reading
// thread that would otherwise wait calls arena_prepare_block, and the
// arena's next block (or a table of one block's size) is then taken with its
// first part cleared. The rest of an arena block is cleared as it is used,
// so that only what the model holds counts in the peak.
// Returns whether it prepared one: false when one is ready already or
// preparing is off. Any thread may call it.
bool arena_prepare_block();
void arena_set_preparing(bool on);

// Ends the process with the message of an exhausted heap.
[[noreturn]] void arena_out_of_memory();

// Copies a NUL-terminated text into the arena.
char* arena_strdup(const char* text);
