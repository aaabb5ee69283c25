// The ordered container of the tables that are walked in key order (the
// trap table and the rule statistics): a threaded AVL tree that finds or
// creates an item for a key in one call and walks items in ascending order.
// Every search is logarithmic whatever the order of insertion; appending at
// either end costs one comparison.
#pragma once
#include <cstddef>
#include <cstdint>

#include "model/arena.h"

enum : std::int32_t {
    ITEM_NEW = -2,  // created by the tree_insert call that just returned it
    ITEM_OLD = -1,  // created earlier
};

// No parent link: an insertion keeps the path it came down, which is all
// the rebalancing needs.
struct tree_item {
    arena_ref<tree_item> next;  // next larger item
    arena_ref<tree_item> left;
    arena_ref<tree_item> right;
    std::int16_t rank;    // ITEM_NEW or ITEM_OLD
    std::int16_t height;  // levels of the subtree under this item, 1 for a leaf
};

struct keyed_tree {
    tree_item* root = nullptr;
    tree_item* first = nullptr;
    tree_item* last = nullptr;
};

// Negative when the key sorts before the item, zero when equal, positive after.
// A comparison that never returns zero makes every insertion create an item,
// placed after the items it sorts after: equal keys keep their insertion order
// when it returns a positive value for them.
using tree_compare = int (*)(const tree_item* item, const void* key);
using tree_visit = void (*)(tree_item* item, void* argument);

// The payload sits right after the links, aligned to eight bytes: payloads
// hold integers and pointers, and the trees hold many small items.
constexpr std::size_t TREE_PAYLOAD_ALIGN = 8;
constexpr std::size_t TREE_LINK_SIZE =
    (sizeof(tree_item) + TREE_PAYLOAD_ALIGN - 1) & ~(TREE_PAYLOAD_ALIGN - 1);

inline void* tree_payload(const tree_item* item) {
    return const_cast<char*>(reinterpret_cast<const char*>(item)) + TREE_LINK_SIZE;
}
inline tree_item* tree_item_of(const void* payload) {
    return reinterpret_cast<tree_item*>(const_cast<char*>(static_cast<const char*>(payload)) -
                                        TREE_LINK_SIZE);
}

// The item equal to the key, created when there is none (rank ITEM_NEW, the
// payload for the caller to fill); a found item that still reads ITEM_NEW is
// returned as ITEM_OLD, so the test is true once per item.
tree_item* tree_insert(keyed_tree* tree, const void* key, std::size_t payload_size,
                       tree_compare compare);
// The smallest item equal to the key, or null.
tree_item* tree_find(keyed_tree* tree, const void* key, tree_compare compare);
// Calls visit on the start item and every larger one, reading each item's
// next link before the call.
void tree_walk(tree_item* start, void* argument, tree_visit visit);

// Non-equal comparisons made by the last search; lets tests see the tree's depth.
int tree_last_steps();
