#include "model/keyed_tree.h"

#include "model/arena.h"

namespace {

// A balanced tree of height h holds at least Fibonacci(h + 2) - 1 items, so
// no tree that fits in memory is this deep.
constexpr int MAX_DEPTH = 96;

struct search_result {
    tree_item* found = nullptr;
    tree_item* predecessor = nullptr;  // the largest item below the key
    bool key_below_neighbour = false;
    int steps = 0;
    // The items from the root down to the neighbour, where a new item would hang.
    int depth = 0;
    tree_item* path[MAX_DEPTH];
    tree_item* neighbour() const { return depth ? path[depth - 1] : nullptr; }
};

int last_steps = 0;

// The path from the root down one side to the first or last item.
void follow_edge(search_result& result, tree_item* item, bool left) {
    for (; item; item = left ? item->left : item->right) result.path[result.depth++] = item;
}

void search(keyed_tree* tree, const void* key, tree_compare compare, search_result& result) {
    if (!tree->root) return;
    // Appending at either end costs one comparison and counts no step.
    if (compare(tree->first, key) < 0) {
        follow_edge(result, tree->root, true);
        result.key_below_neighbour = true;
        return;
    }
    if (compare(tree->last, key) > 0) {
        follow_edge(result, tree->root, false);
        result.predecessor = tree->last;
        return;
    }
    for (tree_item* item = tree->root; item;) {
        int order = compare(item, key);
        if (order == 0) {
            result.found = item;
            return;
        }
        ++result.steps;
        result.path[result.depth++] = item;
        result.key_below_neighbour = order < 0;
        if (order > 0) result.predecessor = item;
        item = order < 0 ? item->left : item->right;
    }
}

int height(const tree_item* item) { return item ? item->height : 0; }

void update_height(tree_item* item) {
    int left = height(item->left);
    int right = height(item->right);
    item->height = static_cast<std::int16_t>(1 + (left > right ? left : right));
}

tree_item* rotate_right(tree_item* top) {
    tree_item* left = top->left;
    top->left = left->right;
    left->right = top;
    update_height(top);
    update_height(left);
    return left;
}

tree_item* rotate_left(tree_item* top) {
    tree_item* right = top->right;
    top->right = right->left;
    right->left = top;
    update_height(top);
    update_height(right);
    return right;
}

// Walks up the path from a new leaf's parent, restoring the height
// difference of at most one between sibling subtrees; one (single or
// double) rotation suffices after an insertion.
void rebalance_upwards(keyed_tree* tree, search_result& where) {
    for (int at = where.depth - 1; at >= 0; --at) {
        tree_item* item = where.path[at];
        int before = item->height;
        int balance = height(item->left) - height(item->right);
        tree_item* top = item;
        if (balance > 1) {
            if (height(item->left->left) < height(item->left->right))
                item->left = rotate_left(item->left);
            top = rotate_right(item);
        } else if (balance < -1) {
            if (height(item->right->right) < height(item->right->left))
                item->right = rotate_right(item->right);
            top = rotate_left(item);
        } else {
            update_height(item);
        }
        if (top != item) {  // hang the rotated subtree where the item hung
            tree_item* parent = at ? where.path[at - 1] : nullptr;
            if (!parent)
                tree->root = top;
            else if (parent->left == item)
                parent->left = top;
            else
                parent->right = top;
        }
        if (top->height == before) return;
    }
}

}  // namespace

tree_item* tree_insert(keyed_tree* tree, const void* key, std::size_t payload_size,
                       tree_compare compare) {
    search_result where;
    search(tree, key, compare, where);
    last_steps = where.steps;
    if (where.found) {
        if (where.found->rank == ITEM_NEW) where.found->rank = ITEM_OLD;
        return where.found;
    }
    auto* item = static_cast<tree_item*>(arena_alloc(TREE_LINK_SIZE + payload_size));
    item->rank = ITEM_NEW;
    item->height = 1;
    tree_item* neighbour = where.neighbour();
    if (!neighbour) {
        tree->root = tree->first = tree->last = item;
        return item;
    }
    // The neighbour is the last item the search passed, or an end of the
    // list: either way the side the item goes to is free. The item comes
    // right after the largest item below its key, the last one the search
    // passed on its left.
    if (where.key_below_neighbour)
        neighbour->left = item;
    else
        neighbour->right = item;
    tree_item* before = where.predecessor;
    item->next = before ? before->next : tree->first;
    if (before)
        before->next = item;
    else
        tree->first = item;
    if (!item->next) tree->last = item;
    rebalance_upwards(tree, where);
    return item;
}

tree_item* tree_find(keyed_tree* tree, const void* key, tree_compare compare) {
    if (!tree) return nullptr;
    // Equal items are neighbours in order: on finding one, look further left.
    tree_item* found = nullptr;
    int steps = 0;
    for (tree_item* item = tree->root; item;) {
        int order = compare(item, key);
        if (order == 0) found = item; else ++steps;
        item = order <= 0 ? item->left : item->right;
    }
    last_steps = steps;
    return found;
}

void tree_walk(tree_item* start, void* argument, tree_visit visit) {
    for (tree_item* item = start; item;) {
        tree_item* next = item->next;  // the callback may insert after the item
        // Items lie wherever they were made: fetch the next one during this visit.
        if (next) __builtin_prefetch(next);
        visit(item, argument);
        item = next;
    }
}

int tree_last_steps() { return last_steps; }
