#include "model/position_index.h"

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

}  // namespace

position_index::~position_index() {
    if (slots_) zeroed_table_free(slots_, (mask_ + 1) * sizeof(slot));
}

position_index::slot* position_index::lookup(const name* identifier, std::int32_t kind,
                                             const xob_node* position) const {
    for (std::size_t at = hash_key(identifier->hash, kind, position->file, position->line,
                                   position->row) & mask_;;
         at = (at + 1) & mask_) {
        slot& here = slots_[at];
        if (!here.identifier) return &here;
        if (here.identifier != identifier) continue;
        const xob_node* node = here.newest->node;
        if (node->kind == kind && same_position(node->position, position)) return &here;
    }
}

binding_cell* position_index::find(const name* identifier, std::int32_t kind,
                                   const xob_node* position) const {
    if (!slots_) return nullptr;
    slot* found = lookup(identifier, kind, position);
    return found->identifier ? found->newest : nullptr;
}

binding_cell** position_index::chain(const name* identifier, std::int32_t kind,
                                     const xob_node* position) {
    if (!slots_ || (count_ + 1) * 4 > (mask_ + 1) * 3) grow();
    slot* found = lookup(identifier, kind, position);
    if (!found->identifier) {
        *found = {identifier, nullptr};
        ++count_;
    }
    return &found->newest;
}

void position_index::prefetch(std::uint32_t name_hash, std::int32_t kind, std::int32_t file,
                              std::int32_t line, std::int32_t row) const {
    if (slots_) __builtin_prefetch(&slots_[hash_key(name_hash, kind, file, line, row) & mask_]);
}

void position_index::grow() {
    slot* old = slots_;
    std::size_t old_capacity = old ? mask_ + 1 : 0;
    std::size_t capacity = old ? 2 * old_capacity : 1024;
    slots_ = static_cast<slot*>(zeroed_table_alloc(capacity * sizeof(slot)));
    mask_ = capacity - 1;
    for (std::size_t at = 0; at < old_capacity; ++at)
        if (old[at].identifier) {
            const xob_node* node = old[at].newest->node;
            *lookup(old[at].identifier, node->kind, node->position) = old[at];
        }
    if (old) zeroed_table_free(old, old_capacity * sizeof(slot));
}
