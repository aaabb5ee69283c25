// The one ordered container: a threaded binary search tree that finds or
// creates an item for a key in one call and walks items in ascending order.
// It keeps no balance data. A find deeper than 30 levels rebuilds the whole
// tree; an insertion deeper than that rebuilds the part of the tree around
// its path that has grown far too deep.
#pragma once
#include <cstddef>
#include <cstdint>

enum : std::int32_t {
    ITEM_NEW = -2,  // created by the tree_insert call that just returned it
    ITEM_OLD = -1,  // created earlier, not numbered since
};

struct tree_item {
    tree_item* prev;    // next smaller item
    tree_item* next;    // next larger item
    tree_item* left;
    tree_item* right;
    tree_item* parent;
    std::int32_t rank;  // ITEM_NEW, ITEM_OLD or the position written by the last rebuild
};

struct keyed_tree {
    tree_item* root = nullptr;
    tree_item* first = nullptr;
    tree_item* last = nullptr;
};

// Negative when the key sorts before the item, zero when equal, positive after.
using tree_compare = int (*)(const tree_item* item, const void* key);
using tree_visit = void (*)(tree_item* item, void* argument);

// The payload sits right after the links, aligned for any type.
constexpr std::size_t TREE_LINK_SIZE =
    (sizeof(tree_item) + alignof(std::max_align_t) - 1) & ~(alignof(std::max_align_t) - 1);

inline void* tree_payload(const tree_item* item) {
    return const_cast<char*>(reinterpret_cast<const char*>(item)) + TREE_LINK_SIZE;
}
inline tree_item* tree_item_of(const void* payload) {
    return reinterpret_cast<tree_item*>(const_cast<char*>(static_cast<const char*>(payload)) -
                                        TREE_LINK_SIZE);
}

tree_item* tree_insert(keyed_tree* tree, const void* key, std::size_t payload_size,
                       tree_compare compare);
tree_item* tree_find(keyed_tree* tree, const void* key, tree_compare compare);
void tree_walk(tree_item* start, void* argument, tree_visit visit);
void tree_rebalance(keyed_tree* tree);

// Non-equal comparisons made by the last search; lets tests see the tree's depth.
int tree_last_steps();
// Items numbered by rebuilds since the start: the work that balancing costs.
long tree_renumbered_items();
