// An open-addressing set of pointers to records that carry their own hash,
// for the tables that are only ever searched by key (names, similarity keys):
// a look-up costs one probe sequence, however the keys arrive.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "model/arena.h"

// A 64-bit hash of a byte string, eight bytes at a time.
inline std::uint64_t hash_bytes(const char* bytes, std::size_t length) {
    constexpr std::uint64_t MULTIPLIER = 0x9E3779B97F4A7C15ULL;
    std::uint64_t hash = 0x27D4EB2F165667C5ULL ^ (length * MULTIPLIER);
    std::size_t i = 0;
    for (; i + 8 <= length; i += 8) {
        std::uint64_t chunk;
        std::memcpy(&chunk, bytes + i, 8);
        hash = (hash ^ chunk) * MULTIPLIER;
        hash ^= hash >> 29;
    }
    if (i < length) {
        std::uint64_t chunk = 0;
        std::memcpy(&chunk, bytes + i, length - i);
        hash = (hash ^ chunk) * MULTIPLIER;
    }
    hash ^= hash >> 32;
    hash *= 0xD6E8FEB86659FD93ULL;
    hash ^= hash >> 32;
    return hash;
}

// T holds `std::uint32_t hash`. Records are owned elsewhere; the set holds
// pointers and never removes one.
template <class T>
class hashed_set {
public:
    hashed_set() = default;
    hashed_set(const hashed_set&) = delete;
    hashed_set& operator=(const hashed_set&) = delete;
    ~hashed_set() { zeroed_table_free(slots_, capacity() * sizeof(T*)); }

    // The record with this hash for which equal(record) holds, or null.
    template <class Equal>
    T* find(std::uint32_t hash, Equal equal) const {
        if (!slots_) return nullptr;
        for (std::size_t at = hash & mask_;; at = (at + 1) & mask_) {
            T* record = slots_[at];
            if (!record) return nullptr;
            if (record->hash == hash && equal(record)) return record;
        }
    }

    // Fetch the first slot find would read for this hash; then, once that
    // slot is at hand, the record it holds.
    void prefetch_slot(std::uint32_t hash) const {
        if (slots_) __builtin_prefetch(&slots_[hash & mask_]);
    }
    void prefetch_record(std::uint32_t hash) const {
        if (slots_) __builtin_prefetch(slots_[hash & mask_]);
    }

    // Adds a record that find said is absent.
    void add(T* record) {
        // Up to three quarters full: linear probes stay short, and the slots
        // are a small part of what each record costs.
        if ((count_ + 1) * 4 > capacity() * 3) grow();
        place(slots_, mask_, record);
        ++count_;
    }

    std::size_t size() const { return count_; }

private:
    std::size_t capacity() const { return slots_ ? mask_ + 1 : 0; }

    static void place(T** slots, std::size_t mask, T* record) {
        std::size_t at = record->hash & mask;
        while (slots[at]) at = (at + 1) & mask;
        slots[at] = record;
    }

    void grow() {
        std::size_t capacity = slots_ ? 2 * (mask_ + 1) : 64;
        auto** slots = static_cast<T**>(zeroed_table_alloc(capacity * sizeof(T*)));
        for (std::size_t at = 0; slots_ && at <= mask_; ++at)
            if (slots_[at]) place(slots, capacity - 1, slots_[at]);
        zeroed_table_free(slots_, this->capacity() * sizeof(T*));
        slots_ = slots;
        mask_ = capacity - 1;
    }

    T** slots_ = nullptr;
    std::size_t mask_ = 0;
    std::size_t count_ = 0;
};
