// The index by position of the binding lists: for each name, node kind and
// position, the newest node bound there. A repeated element (a header read by
// many units) finds the node it merges with in one probe sequence instead of
// a walk along the name's list.
#pragma once
#include <cstddef>
#include <cstdint>

#include "model/slot_tags.h"

struct name;
struct xob_node;
struct binding_cell;

class position_index {
public:
    position_index() = default;
    position_index(const position_index&) = delete;
    position_index& operator=(const position_index&) = delete;
    ~position_index();

    // The head of the chain of this key, or null.
    binding_cell* find(const name* identifier, std::int32_t kind, const xob_node* position) const;
    // Links a cell into the chain of its node's key (the identifier, the
    // node's kind and position), which is kept newest first by creation
    // number, through older_here.
    void insert(const name* identifier, binding_cell* cell);
    // Fetch the slot a look-up of this key starts at: the identifier given by
    // its text's hash, so that a reader can ask before interning the text.
    void prefetch(std::uint32_t name_hash, std::int32_t kind, std::int32_t file, std::int32_t line,
                  std::int32_t row) const;

private:
    // Open addressing over one word a slot: the newest cell of the key,
    // tagged with the top bits of the key's hash (slot_tags.h), so that a
    // probe passes slots of other keys without reading their cells. The key
    // itself is read from the node of that cell.
    std::uintptr_t* lookup(std::uint64_t hash, const name* identifier, std::int32_t kind,
                           const xob_node* position) const;
    std::uintptr_t tag_of(std::uint64_t hash) const { return tags_.of(hash >> 48); }
    // Every key again in a table of mask_ + 1 slots, with the present tags.
    void rebuild(std::size_t old_capacity, std::uintptr_t old_tag_mask);
    std::uintptr_t* slots_ = nullptr;
    std::size_t mask_ = 0;
    std::size_t count_ = 0;
    slot_tags tags_;
};
