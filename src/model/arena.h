// Bump allocation for records that live until the process ends.
//
// Every record has a number of four bytes, so that records can link to each
// other in half the room of a pointer: blocks are aligned to their size and
// numbered in the order they are made, a number is the block's number and
// the record's place in it in units of eight bytes, and the first unit of
// each block holds the block's number. Number 0 (the first block's header)
// is no record. The numbers reach ARENA_MAX_BLOCKS blocks, 32 GiB. Records
// of up to ARENA_ORDERED_BYTES are numbered in the order they are made
// (a larger one takes blocks of its own, beside the sequence).
#pragma once
#include <cassert>
#include <cstddef>
#include <cstdint>

constexpr std::size_t ARENA_UNIT = 8;
constexpr std::size_t ARENA_BLOCK_BYTES = std::size_t{4} << 20;
constexpr unsigned ARENA_UNITS_SHIFT = 19;  // units a block, as a power of two
constexpr std::size_t ARENA_MAX_BLOCKS = std::size_t{1} << (32 - ARENA_UNITS_SHIFT);
static_assert(ARENA_BLOCK_BYTES == ARENA_UNIT << ARENA_UNITS_SHIFT, "units a block");
constexpr std::size_t ARENA_ORDERED_BYTES = 64 << 10;

extern char* arena_blocks[ARENA_MAX_BLOCKS];  // by number

// Returns zero-filled memory aligned to eight bytes; never returns null (an
// exhausted heap, or arena numbers, end the process with a message on
// standard error).
void* arena_alloc(std::size_t size);

// The number of a record that arena_alloc returned (0 for null), and back.
inline std::uint32_t arena_number(const void* record) {
    if (!record) return 0;
    auto address = reinterpret_cast<std::uintptr_t>(record);
    std::uint32_t block;
    const void* base = reinterpret_cast<const void*>(address & ~(ARENA_BLOCK_BYTES - 1));
    __builtin_memcpy(&block, base, sizeof block);
    assert(block < ARENA_MAX_BLOCKS && arena_blocks[block] == base && "a record of the arena");
    return block << ARENA_UNITS_SHIFT |
           static_cast<std::uint32_t>((address & (ARENA_BLOCK_BYTES - 1)) / ARENA_UNIT);
}
inline void* arena_record(std::uint32_t number) {
    if (!number) return nullptr;
    return arena_blocks[number >> ARENA_UNITS_SHIFT] +
           (number & ((std::uint32_t{1} << ARENA_UNITS_SHIFT) - 1)) * ARENA_UNIT;
}

// A link to an arena record of type T, by number: reads and is assigned like
// a pointer. Trivial, so that it can sit in unions.
template <class T>
struct arena_ref {
    std::uint32_t number;

    operator T*() const { return static_cast<T*>(arena_record(number)); }
    T* operator->() const { return static_cast<T*>(arena_record(number)); }
    arena_ref& operator=(T* record) {
        number = arena_number(record);
        return *this;
    }
};

// Zero-filled memory for a large table that may be given back, on huge pages
// where the system offers them; freed with the same size.
void* zeroed_table_alloc(std::size_t bytes);
void zeroed_table_free(void* table, std::size_t bytes);

// Blocks made ready on another thread. The first write to fresh memory makes
// the kernel clear its pages, a large part of building the model; a reading
// thread that would otherwise wait calls arena_prepare_block, and the
// arena's next block (or a table of one block's size) is then taken ready.
// Blocks made on the model's thread are cleared as records fill them, so
// that only what the model holds counts in the peak.
// Returns whether it prepared one: false when one is ready already or
// preparing is off. Any thread may call it.
bool arena_prepare_block();
void arena_set_preparing(bool on);

// The bytes of the blocks made so far: how large the model has grown.
std::size_t arena_bytes();

// Ends the process with the message of an exhausted heap.
[[noreturn]] void arena_out_of_memory();

// Copies a NUL-terminated text into the arena.
char* arena_strdup(const char* text);
