// A table of up to 1000 pages of 1000 entries whose pages are allocated on
// first use, for tables indexed by numbers that input files choose.
#pragma once
#include <cstdint>
#include <cstring>

#include "model/arena.h"

template <class T>
struct paged_table {
    static constexpr std::int32_t PAGE_SIZE = 1000;
    static constexpr std::int32_t PAGE_COUNT = 1000;
    static constexpr std::int32_t CAPACITY = PAGE_SIZE * PAGE_COUNT;

    T* pages[PAGE_COUNT] = {};

    static bool in_range(std::int32_t index) { return index >= 0 && index < CAPACITY; }

    // The zero value for an index out of range or on a page never written.
    T get(std::int32_t index) const {
        if (!in_range(index)) return T{};
        const T* page = pages[index / PAGE_SIZE];
        return page ? page[index % PAGE_SIZE] : T{};
    }

    // False, and nothing stored, for an index out of range.
    bool set(std::int32_t index, T value) {
        if (!in_range(index)) return false;
        T*& page = pages[index / PAGE_SIZE];
        if (!page) page = static_cast<T*>(arena_alloc(sizeof(T) * PAGE_SIZE));
        page[index % PAGE_SIZE] = value;
        return true;
    }

    // Every entry back to zero; pages stay allocated for reuse.
    void clear() {
        for (T* page : pages)
            if (page) std::memset(static_cast<void*>(page), 0, sizeof(T) * PAGE_SIZE);
    }
};
