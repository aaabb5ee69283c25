// An open-addressing set of pointers to records that carry their own hash,
// for the tables that are only ever searched by key (names, similarity keys):
// a look-up costs one probe sequence, however the keys arrive.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "model/arena.h"
#include "model/slot_tags.h"

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
//
// A slot holds the record's address tagged with the high half of its hash
// (slot_tags.h): a look-up reads one record where it would read one for
// every slot it passes.
template <class T>
class hashed_set {
public:
    hashed_set() = default;
    hashed_set(const hashed_set&) = delete;
    hashed_set& operator=(const hashed_set&) = delete;
    ~hashed_set() { zeroed_table_free(slots_, capacity() * sizeof(std::uintptr_t)); }

    // The record with this hash for which equal(record) holds, or null.
    template <class Equal>
    T* find(std::uint32_t hash, Equal equal) const {
        if (!slots_) return nullptr;
        std::uintptr_t tag = tag_of(hash);
        for (std::size_t at = hash & mask_;; at = (at + 1) & mask_) {
            std::uintptr_t slot = slots_[at];
            if (!slot) return nullptr;
            if (!tags_.matches(slot, tag)) continue;
            T* record = reinterpret_cast<T*>(tags_.address(slot));
            if (record->hash == hash && equal(record)) return record;
        }
    }

    // Fetch the first slot find would read for this hash; then, once that
    // slot is at hand, the record it holds.
    void prefetch_slot(std::uint32_t hash) const {
        if (slots_) __builtin_prefetch(&slots_[hash & mask_]);
    }
    void prefetch_record(std::uint32_t hash) const {
        if (slots_) __builtin_prefetch(reinterpret_cast<const void*>(tags_.address(slots_[hash & mask_])));
    }

    // Adds a record that find said is absent.
    void add(T* record) {
        if (!tags_.fit(record)) {
            std::uintptr_t old_tag_mask = tags_.turn_off();
            if (slots_) rebuild(mask_ + 1, old_tag_mask);
        }
        // Up to three quarters full: linear probes stay short, and the slots
        // are a small part of what each record costs.
        if ((count_ + 1) * 4 > capacity() * 3) grow();
        place(slots_, mask_, record);
        ++count_;
    }

    std::size_t size() const { return count_; }

private:
    // From the high bits, which the slot's index leaves out.
    std::uintptr_t tag_of(std::uint32_t hash) const { return tags_.of(hash >> 16); }

    std::size_t capacity() const { return slots_ ? mask_ + 1 : 0; }

    void place(std::uintptr_t* slots, std::size_t mask, T* record) const {
        std::size_t at = record->hash & mask;
        while (slots[at]) at = (at + 1) & mask;
        slots[at] = reinterpret_cast<std::uintptr_t>(record) | tag_of(record->hash);
    }

    void grow() { rebuild(slots_ ? 2 * (mask_ + 1) : 64, tags_.mask()); }

    // The records again in a table of this capacity, placed with the
    // present tags; old_tag_mask is what the present slots carry.
    void rebuild(std::size_t capacity, std::uintptr_t old_tag_mask) {
        auto* slots = static_cast<std::uintptr_t*>(zeroed_table_alloc(capacity * sizeof(std::uintptr_t)));
        for (std::size_t at = 0; slots_ && at <= mask_; ++at)
            if (slots_[at]) place(slots, capacity - 1, reinterpret_cast<T*>(slots_[at] & ~old_tag_mask));
        zeroed_table_free(slots_, this->capacity() * sizeof(std::uintptr_t));
        slots_ = slots;
        mask_ = capacity - 1;
    }

    std::uintptr_t* slots_ = nullptr;
    std::size_t mask_ = 0;
    std::size_t count_ = 0;
    slot_tags tags_;
};
