#include "model/position_index.h"

#include <cassert>
#include <cstdlib>
#include <initializer_list>

#include "model/arena.h"
#include "model/binding_lists.h"
#include "model/name_table.h"
#include "model/xob_node.h"

namespace {

// From the identifier's text hash rather than its address, so that a slot
// can be fetched ahead from the text alone.
std::size_t hash_key(std::uint32_t name_hash, std::int32_t kind, std::int32_t file,
                     std::int32_t line, std::int32_t row) {
    std::uint64_t hash = (name_hash | 0x100000000ULL) * 0x9E3779B97F4A7C15ULL;
    for (std::int32_t part : {kind, file, line, row}) {
        hash ^= static_cast<std::uint32_t>(part);
        hash *= 0xFF51AFD7ED558CCDULL;
        hash ^= hash >> 31;
    }
    return static_cast<std::size_t>(hash ^ (hash >> 29));
}

std::uint64_t hash_of_node(const name* identifier, const xob_node* node) {
    return hash_key(identifier->hash, node->kind, node->position->file, node->position->line,
                    node->position->row);
}

}  // namespace

position_index::~position_index() {
    if (slots_) zeroed_table_free(slots_, (mask_ + 1) * sizeof(std::uintptr_t));
}

std::uintptr_t* position_index::lookup(std::uint64_t hash, const name* identifier,
                                       std::int32_t kind, const xob_node* position) const {
    std::uintptr_t tag = tag_of(hash);
    for (std::size_t at = hash & mask_;; at = (at + 1) & mask_) {
        std::uintptr_t& here = slots_[at];
        if (!here) return &here;
        if (!tags_.matches(here, tag)) continue;
        const xob_node* node = reinterpret_cast<binding_cell*>(tags_.address(here))->node;
        if (node->name == identifier && node->kind == kind && same_position(node->position, position))
            return &here;
    }
}

binding_cell* position_index::find(const name* identifier, std::int32_t kind,
                                   const xob_node* position) const {
    if (!slots_) return nullptr;
    std::uint64_t hash = hash_key(identifier->hash, kind, position->file, position->line, position->row);
    return reinterpret_cast<binding_cell*>(tags_.address(*lookup(hash, identifier, kind, position)));
}

void position_index::insert(const name* identifier, binding_cell* cell) {
    assert(cell->node->name == identifier);
    if (!tags_.fit(cell)) {
        std::uintptr_t old_tag_mask = tags_.turn_off();
        if (slots_) rebuild(mask_ + 1, old_tag_mask);
    }
    if (!slots_) {
        mask_ = 1023;
        slots_ = static_cast<std::uintptr_t*>(zeroed_table_alloc((mask_ + 1) * sizeof(std::uintptr_t)));
    } else if ((count_ + 1) * 4 > (mask_ + 1) * 3) {
        std::size_t old_capacity = mask_ + 1;
        mask_ = 2 * old_capacity - 1;
        rebuild(old_capacity, tags_.mask());
    }
    const xob_node* node = cell->node;
    std::uint64_t hash = hash_of_node(identifier, node);
    std::uintptr_t* slot = lookup(hash, identifier, node->kind, node->position);
    auto* head = reinterpret_cast<binding_cell*>(tags_.address(*slot));
    if (!head) ++count_;
    // Each chain newest first, also for a placeholder filled long after it was made.
    if (!head || head->order() < cell->order()) {
        cell->set_older_here(head);
        *slot = reinterpret_cast<std::uintptr_t>(cell) | tag_of(hash);
        return;
    }
    binding_cell* before = head;
    while (before->older_here() && before->older_here()->order() > cell->order()) before = before->older_here();
    cell->older_here_number = before->older_here_number;
    before->set_older_here(cell);
}

void position_index::prefetch(std::uint32_t name_hash, std::int32_t kind, std::int32_t file,
                              std::int32_t line, std::int32_t row) const {
    if (slots_) __builtin_prefetch(&slots_[hash_key(name_hash, kind, file, line, row) & mask_]);
}

void position_index::rebuild(std::size_t old_capacity, std::uintptr_t old_tag_mask) {
    std::uintptr_t* old = slots_;
    slots_ = static_cast<std::uintptr_t*>(zeroed_table_alloc((mask_ + 1) * sizeof(std::uintptr_t)));
    // A key is read from the cell's node, its name and its position, each a
    // cache miss after the one before: a batch of slots asks for each step of
    // all its keys before the next step, so that the misses overlap.
    constexpr std::size_t BATCH = 32;
    binding_cell* heads[BATCH];
    std::uint64_t hashes[BATCH];
    for (std::size_t start = 0; start < old_capacity; start += BATCH) {
        std::size_t count = old_capacity - start < BATCH ? old_capacity - start : BATCH;
        for (std::size_t i = 0; i < count; ++i) {
            heads[i] = reinterpret_cast<binding_cell*>(old[start + i] & ~old_tag_mask);
            if (heads[i]) __builtin_prefetch(heads[i]);
        }
        for (std::size_t i = 0; i < count; ++i)
            if (heads[i]) __builtin_prefetch(heads[i]->node);
        for (std::size_t i = 0; i < count; ++i) {
            if (!heads[i]) continue;
            __builtin_prefetch(heads[i]->node->name);
            __builtin_prefetch(heads[i]->node->position);
        }
        for (std::size_t i = 0; i < count; ++i) {
            if (!heads[i]) continue;
            hashes[i] = hash_of_node(heads[i]->node->name, heads[i]->node);
            __builtin_prefetch(&slots_[hashes[i] & mask_]);
        }
        for (std::size_t i = 0; i < count; ++i) {
            if (!heads[i]) continue;
            std::size_t at = hashes[i] & mask_;
            while (slots_[at]) at = (at + 1) & mask_;  // keys are distinct: the first free slot
            slots_[at] = reinterpret_cast<std::uintptr_t>(heads[i]) | tag_of(hashes[i]);
        }
    }
    zeroed_table_free(old, old_capacity * sizeof(std::uintptr_t));
}
