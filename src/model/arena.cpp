#include "model/arena.h"

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include <sys/mman.h>

// Address-sanitizer builds (gcc says so by a macro, clang by a feature test)
// keep a poisoned gap after every record, so overruns are seen.
#if defined(__SANITIZE_ADDRESS__)
#define KYV_ARENA_CHECKED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KYV_ARENA_CHECKED 1
#endif
#endif

#if defined(KYV_ARENA_CHECKED)
#include <sanitizer/asan_interface.h>
#endif

char* arena_blocks[ARENA_MAX_BLOCKS];

namespace {

// Every record kept here holds pointers and integers of at most eight bytes.
constexpr std::size_t ALIGN = ARENA_UNIT;
constexpr std::size_t BLOCK_SIZE = ARENA_BLOCK_BYTES;
// Tables and blocks of this size or more are mapped on huge pages where the
// system offers them: the model is searched at random, and small pages would
// make most look-ups miss the address cache as well as the data cache.
constexpr std::size_t HUGE_PAGE = 2 << 20;
// The poisoned gap after each record of a checked build.
#if defined(KYV_ARENA_CHECKED)
constexpr std::size_t GAP = 16;
#else
constexpr std::size_t GAP = 0;
#endif

static_assert(ARENA_ORDERED_BYTES + ALIGN + GAP <= BLOCK_SIZE / 4, "ordered records share the blocks");

char* block_next = nullptr;
std::size_t block_left = 0;
std::uint32_t block_count = 0;
bool block_on_small_pages = false;  // whether block_next's block fills on small pages

// Writes a zero into every page of fresh zero-filled memory.
void touch_for_writing(void* memory, std::size_t bytes) {
    for (std::size_t at = 0; at < bytes; at += 4096) static_cast<volatile char*>(memory)[at] = 0;
}

#if !defined(KYV_ARENA_CHECKED)
// One block prepared ahead at most: memory touched before it is needed
// counts in the peak as much as memory in use.
std::mutex prepared_mutex;
void* prepared_block = nullptr;
bool prepared_on_small_pages = false;
bool preparing_on = false;
bool block_in_preparation = false;

// Fresh zeroed memory aligned to `alignment` (a power of two, a huge page
// at least), on huge pages where the system offers them if `huge`, or null.
void* map_aligned(std::size_t bytes, std::size_t alignment, bool huge) {
    // Map the alignment more and trim both ends, so the memory starts aligned.
    std::size_t span = bytes + alignment;
    void* mapped = mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) return nullptr;
    auto start = reinterpret_cast<std::uintptr_t>(mapped);
    std::uintptr_t aligned = (start + alignment - 1) & ~(alignment - 1);
    if (aligned > start) munmap(mapped, aligned - start);
    std::uintptr_t end = start + span;
    if (end > aligned + bytes) munmap(reinterpret_cast<void*>(aligned + bytes), end - aligned - bytes);
    void* memory = reinterpret_cast<void*>(aligned);
    if (huge) madvise(memory, bytes, MADV_HUGEPAGE);
    return memory;
}

#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23
#endif
#ifndef MADV_COLLAPSE
#define MADV_COLLAPSE 25
#endif

// While the arena is small, a block's memory is on small pages as it
// fills, and each huge page's worth becomes one huge page once filled: the
// last, partly filled one of a run counts only its written pages in the
// peak, not a whole 2 MB. Past SMALL_PAGE_ARENA a 2 MB step is a small
// part of the model and not worth the faults and copies: blocks get huge
// pages from the start, as they do where the kernel cannot collapse pages.
constexpr std::size_t SMALL_PAGE_ARENA = 64 << 20;
std::atomic<bool> fill_on_small_pages{true};
// Pages made ahead of the records at a time, in one call rather than a fault each.
constexpr std::size_t POPULATE_STEP = 256 << 10;

void populate_ahead(const char* at) {
    if (!block_on_small_pages) return;
    auto start = reinterpret_cast<std::uintptr_t>(at) & ~(POPULATE_STEP - 1);
    madvise(reinterpret_cast<void*>(start), POPULATE_STEP, MADV_POPULATE_WRITE);
}

// Makes the filled huge page's worth of the block that holds `inside` one huge page.
void collapse_around(const char* inside) {
    if (!block_on_small_pages) return;
    auto start = reinterpret_cast<std::uintptr_t>(inside) & ~(HUGE_PAGE - 1);
    if (madvise(reinterpret_cast<void*>(start), HUGE_PAGE, MADV_COLLAPSE) == 0 || errno != EINVAL) return;
    fill_on_small_pages = false;
    block_on_small_pages = false;
    // The rest of the block as its first fault finds it.
    auto block = start & ~(BLOCK_SIZE - 1);
    madvise(reinterpret_cast<void*>(block), BLOCK_SIZE, MADV_HUGEPAGE);
}

void* take_prepared_block(bool* on_small_pages) {
    std::lock_guard<std::mutex> lock(prepared_mutex);
    void* block = prepared_block;
    *on_small_pages = prepared_on_small_pages;
    prepared_block = nullptr;
    return block;
}
#endif

}  // namespace

bool arena_prepare_block() {
#if defined(KYV_ARENA_CHECKED)
    return false;
#else
    {
        std::lock_guard<std::mutex> lock(prepared_mutex);
        if (!preparing_on || block_in_preparation || prepared_block) return false;
        block_in_preparation = true;
    }
    // The kernel clears the block's pages now, on this thread rather than on
    // the thread that builds the model; on small pages only the first half,
    // the second is made as it fills, so a run's last block counts what it holds.
    bool on_small_pages = fill_on_small_pages;
    void* block = map_aligned(BLOCK_SIZE, BLOCK_SIZE, !on_small_pages);
    if (block) {
        madvise(block, HUGE_PAGE, MADV_HUGEPAGE);
        touch_for_writing(block, on_small_pages ? HUGE_PAGE : BLOCK_SIZE);
    }
    std::lock_guard<std::mutex> lock(prepared_mutex);
    block_in_preparation = false;
    prepared_block = block;
    prepared_on_small_pages = on_small_pages;
    return block != nullptr;
#endif
}

void arena_set_preparing(bool on) {
#if defined(KYV_ARENA_CHECKED)
    (void)on;
#else
    std::lock_guard<std::mutex> lock(prepared_mutex);
    preparing_on = on;
#endif
}

void* zeroed_table_alloc(std::size_t bytes) {
#if !defined(KYV_ARENA_CHECKED)
    bool on_small_pages;
    if (bytes == BLOCK_SIZE)
        if (void* block = take_prepared_block(&on_small_pages)) {
            // A table is probed before it is written (see below): its second
            // half made now, as a huge page.
            if (on_small_pages) {
                char* second_half = static_cast<char*>(block) + HUGE_PAGE;
                madvise(second_half, HUGE_PAGE, MADV_HUGEPAGE);
                touch_for_writing(second_half, HUGE_PAGE);
            }
            return block;
        }
    if (bytes >= HUGE_PAGE) {
        void* table = map_aligned(bytes, HUGE_PAGE, true);
        if (!table) arena_out_of_memory();
        // A table is probed before it is written: a page first read maps the
        // shared zero page, and the first write then copies it, a second
        // fault that on two threads also stops the other processor to flush
        // its address cache. One write a page makes each page once.
        touch_for_writing(table, bytes);
        return table;
    }
#endif
    void* memory = std::calloc(1, bytes);
    if (!memory) arena_out_of_memory();
    touch_for_writing(memory, bytes);
    return memory;
}

void zeroed_table_free(void* table, std::size_t bytes) {
    if (!table) return;
#if !defined(KYV_ARENA_CHECKED)
    if (bytes >= HUGE_PAGE) {
        munmap(table, bytes);
        return;
    }
#else
    (void)bytes;  // every table came from calloc
#endif
    std::free(table);
}

std::size_t arena_bytes() { return static_cast<std::size_t>(block_count) * BLOCK_SIZE; }

void arena_out_of_memory() {
    std::fputs("Fatal Error: no memory left\n", stderr);
    std::exit(7);
}

namespace {

// Memory for `blocks` consecutive blocks aligned to a block, zero-filled;
// whether it fills on small pages.
char* new_blocks(std::size_t blocks, bool* on_small_pages) {
    std::size_t bytes = blocks * BLOCK_SIZE;
    void* memory = nullptr;
    *on_small_pages = false;
#if !defined(KYV_ARENA_CHECKED)
    // Written as records are made, and the first write of a page is the
    // only fault it takes: only the part in use counts in the peak.
    if (blocks == 1) memory = take_prepared_block(on_small_pages);
    if (!memory) {
        // A large record fills its blocks at once.
        *on_small_pages = blocks == 1 && fill_on_small_pages;
        memory = map_aligned(bytes, BLOCK_SIZE, !*on_small_pages);
    }
#endif
    if (!memory) {
        memory = std::aligned_alloc(BLOCK_SIZE, bytes);
        if (!memory) arena_out_of_memory();
        std::memset(memory, 0, bytes);
    }
#if defined(KYV_ARENA_CHECKED)
    ASAN_POISON_MEMORY_REGION(memory, bytes);
#endif
    return static_cast<char*>(memory);
}

// Registers blocks under the next numbers; each block's first unit holds its
// number, so that a record's address gives its number.
char* numbered_blocks(std::size_t blocks, bool* on_small_pages) {
    if (blocks > ARENA_MAX_BLOCKS - block_count) arena_out_of_memory();
    char* memory = new_blocks(blocks, on_small_pages);
    for (std::size_t i = 0; i < blocks; ++i) arena_blocks[block_count + i] = memory + i * BLOCK_SIZE;
#if defined(KYV_ARENA_CHECKED)
    ASAN_UNPOISON_MEMORY_REGION(memory, ALIGN);
#endif
    std::memcpy(memory, &block_count, sizeof block_count);
    block_count += static_cast<std::uint32_t>(blocks);
    return memory;
}

}  // namespace

void* arena_alloc(std::size_t size) {
    // Before rounding, which a size near SIZE_MAX would wrap to nothing.
    if (size > SIZE_MAX - 2 * BLOCK_SIZE) arena_out_of_memory();
    size = (size + ALIGN - 1) & ~(ALIGN - 1);
    if (size == 0) size = ALIGN;
    char* result;
    if (size + ALIGN + GAP > BLOCK_SIZE / 4) {
        // A large record has blocks of its own, after the header of the first.
        bool on_small_pages;
        result = numbered_blocks((ALIGN + size + GAP + BLOCK_SIZE - 1) / BLOCK_SIZE, &on_small_pages) + ALIGN;
    } else {
        if (size + GAP > block_left) {
#if !defined(KYV_ARENA_CHECKED)
            if (block_next) collapse_around(block_next - 1);
#endif
            block_next = numbered_blocks(1, &block_on_small_pages) + ALIGN;
            block_left = BLOCK_SIZE - ALIGN;
#if !defined(KYV_ARENA_CHECKED)
            if (static_cast<std::size_t>(block_count) * BLOCK_SIZE >= SMALL_PAGE_ARENA) fill_on_small_pages = false;
            populate_ahead(block_next);
#endif
        }
        result = block_next;
        block_next += size + GAP;
        block_left -= size + GAP;
#if !defined(KYV_ARENA_CHECKED)
        // Blocks are aligned to their size: a bit that differs between the
        // record's start and the next one's says which boundary it crossed.
        auto crossed = reinterpret_cast<std::uintptr_t>(result) ^ reinterpret_cast<std::uintptr_t>(block_next);
        if (crossed & HUGE_PAGE) collapse_around(result);
        if (crossed >= POPULATE_STEP && block_left) populate_ahead(block_next);
#endif
    }
#if defined(KYV_ARENA_CHECKED)
    ASAN_UNPOISON_MEMORY_REGION(result, size);
#endif
    return result;
}

char* arena_strdup(const char* text) {
    std::size_t length = std::strlen(text);
    char* copy = static_cast<char*>(arena_alloc(length + 1));
    std::memcpy(copy, text, length + 1);
    return copy;
}
