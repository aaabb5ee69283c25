#include "model/arena.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Every record kept here holds pointers and integers of at most eight bytes.
constexpr std::size_t ALIGN = 8;
constexpr std::size_t BLOCK_SIZE = 1 << 20;

#if defined(__SANITIZE_ADDRESS__)
void* newest_allocation = nullptr;
#else
char* block_next = nullptr;
std::size_t block_left = 0;
#endif

}  // namespace

void arena_out_of_memory() {
    std::fputs("Fatal Error: no memory left\n", stderr);
    std::exit(7);
}

void* arena_alloc(std::size_t size) {
    size = (size + ALIGN - 1) & ~(ALIGN - 1);
    if (size == 0) size = ALIGN;
#if defined(__SANITIZE_ADDRESS__)
    // Separate allocations let the address sanitizer see every overrun; each
    // links to the one before, so the leak checker sees them all as reachable.
    auto* own = static_cast<void**>(std::calloc(1, ALIGN + size));
    if (!own) arena_out_of_memory();
    *own = newest_allocation;
    newest_allocation = own;
    return reinterpret_cast<char*>(own) + ALIGN;
#else
    if (size > BLOCK_SIZE / 4) {
        void* own = std::calloc(1, size);
        if (!own) arena_out_of_memory();
        return own;
    }
    if (size > block_left) {
        block_next = static_cast<char*>(std::calloc(1, BLOCK_SIZE));
        if (!block_next) arena_out_of_memory();
        block_left = BLOCK_SIZE;
    }
    void* result = block_next;
    block_next += size;
    block_left -= size;
    return result;
#endif
}

char* arena_strdup(const char* text) {
    std::size_t length = std::strlen(text);
    char* copy = static_cast<char*>(arena_alloc(length + 1));
    std::memcpy(copy, text, length + 1);
    return copy;
}
