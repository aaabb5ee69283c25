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

// T holds `std::uint32_t hash`. Records are arena records owned elsewhere;
// the set holds their numbers and never removes one.
//
// A slot is a byte of the record's hash (its tag; 0 marks a free slot) in
// one array and the record's number in another: five bytes a slot, and a
// look-up reads one record where it would read one for every slot it
// passes.
template <class T>
class hashed_set {
public:
    hashed_set() = default;
    hashed_set(const hashed_set&) = delete;
    hashed_set& operator=(const hashed_set&) = delete;
    ~hashed_set() { zeroed_table_free(tags_, capacity() * SLOT_BYTES); }

    // The record with this hash for which equal(record) holds, or null.
    template <class Equal>
    T* find(std::uint32_t hash, Equal equal) const {
        if (!tags_) return nullptr;
        std::uint8_t tag = tag_of(hash);
        for (std::size_t at = hash & mask_;; at = (at + 1) & mask_) {
            std::uint8_t here = tags_[at];
            if (!here) return nullptr;
            if (here != tag) continue;
            T* record = static_cast<T*>(arena_record(numbers_[at]));
            if (record->hash == hash && equal(record)) return record;
        }
    }

    // Fetch the first slot find would read for this hash; then, once that
    // slot is at hand, the record it holds.
    void prefetch_slot(std::uint32_t hash) const {
        if (!tags_) return;
        __builtin_prefetch(&tags_[hash & mask_]);
        __builtin_prefetch(&numbers_[hash & mask_]);
    }
    void prefetch_record(std::uint32_t hash) const {
        if (tags_) __builtin_prefetch(arena_record(numbers_[hash & mask_]));
    }

    // Adds a record that find said is absent.
    void add(T* record) {
        // Up to three quarters full: linear probes stay short, and the slots
        // are a small part of what each record costs.
        if ((count_ + 1) * 4 > capacity() * 3) rebuild(tags_ ? 2 * capacity() : 64);
        place(tags_, numbers_, mask_, record->hash, arena_number(record));
        ++count_;
    }

    std::size_t size() const { return count_; }

private:
    static constexpr std::size_t SLOT_BYTES = sizeof(std::uint8_t) + sizeof(std::uint32_t);

    // From the high bits, which the slot's index leaves out; never 0.
    static std::uint8_t tag_of(std::uint32_t hash) {
        auto tag = static_cast<std::uint8_t>(hash >> 24);
        return tag ? tag : 1;
    }

    std::size_t capacity() const { return tags_ ? mask_ + 1 : 0; }

    static void place(std::uint8_t* tags, std::uint32_t* numbers, std::size_t mask, std::uint32_t hash,
                      std::uint32_t number) {
        std::size_t at = hash & mask;
        while (tags[at]) at = (at + 1) & mask;
        tags[at] = tag_of(hash);
        numbers[at] = number;
    }

    // The records again in a table of this capacity (a power of two): the
    // tags, then the numbers, in one allocation.
    void rebuild(std::size_t capacity) {
        auto* tags = static_cast<std::uint8_t*>(zeroed_table_alloc(capacity * SLOT_BYTES));
        auto* numbers = reinterpret_cast<std::uint32_t*>(tags + capacity);
        for (std::size_t at = 0; tags_ && at <= mask_; ++at) {
            if (!tags_[at]) continue;
            const T* record = static_cast<const T*>(arena_record(numbers_[at]));
            place(tags, numbers, capacity - 1, record->hash, numbers_[at]);
        }
        zeroed_table_free(tags_, this->capacity() * SLOT_BYTES);
        tags_ = tags;
        numbers_ = numbers;
        mask_ = capacity - 1;
    }

    std::uint8_t* tags_ = nullptr;
    std::uint32_t* numbers_ = nullptr;
    std::size_t mask_ = 0;
    std::size_t count_ = 0;
};
