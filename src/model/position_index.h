// The index by position of the binding lists: for each name, node kind and
// position, the newest node bound there. A repeated element (a header read by
// many units) finds the node it merges with in one probe sequence instead of
// a walk along the name's list.
#pragma once
#include <cstddef>
#include <cstdint>

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
    // The head of the chain of this key, made empty when the key is new; the
    // caller links a cell of this key in at once.
    binding_cell** chain(const name* identifier, std::int32_t kind, const xob_node* position);
    // Fetch the slot a look-up of this key starts at: the identifier given by
    // its text's hash, so that a reader can ask before interning the text.
    void prefetch(std::uint32_t name_hash, std::int32_t kind, std::int32_t file, std::int32_t line,
                  std::int32_t row) const;

private:
    // Open addressing over flat slots; a free slot has no identifier. The
    // kind and position of a key are those of the node of its newest cell,
    // so a slot is two words.
    struct slot {
        const name* identifier;
        binding_cell* newest;
    };

    slot* lookup(const name* identifier, std::int32_t kind, const xob_node* position) const;
    void grow();

    slot* slots_ = nullptr;
    std::size_t mask_ = 0;
    std::size_t count_ = 0;
};
