#include "model/keyed_tree.h"

#include "model/arena.h"

namespace {

struct search_result {
    tree_item* found = nullptr;
    tree_item* neighbour = nullptr;  // where a new item would hang
    tree_item* predecessor = nullptr;  // the largest item below the key
    bool key_below_neighbour = false;
    int steps = 0;
};

int last_steps = 0;

search_result search(keyed_tree* tree, const void* key, tree_compare compare) {
    search_result result;
    if (!tree->root) return result;
    // Appending at either end costs one comparison and counts no step.
    if (compare(tree->first, key) < 0) {
        result.neighbour = tree->first;
        result.key_below_neighbour = true;
        return result;
    }
    if (compare(tree->last, key) > 0) {
        result.neighbour = result.predecessor = tree->last;
        return result;
    }
    for (tree_item* item = tree->root; item;) {
        int order = compare(item, key);
        if (order == 0) {
            result.found = item;
            return result;
        }
        ++result.steps;
        result.neighbour = item;
        result.key_below_neighbour = order < 0;
        if (order > 0) result.predecessor = item;
        item = order < 0 ? item->left : item->right;
    }
    return result;
}

int height(const tree_item* item) { return item ? item->height : 0; }

void update_height(tree_item* item) {
    int left = height(item->left);
    int right = height(item->right);
    item->height = 1 + (left > right ? left : right);
}

// Puts `replacement` where `old` hung under its parent (or at the root).
void replace_child(keyed_tree* tree, tree_item* old, tree_item* replacement) {
    tree_item* parent = old->parent;
    replacement->parent = parent;
    if (!parent)
        tree->root = replacement;
    else if (parent->left == old)
        parent->left = replacement;
    else
        parent->right = replacement;
}

tree_item* rotate_right(keyed_tree* tree, tree_item* top) {
    tree_item* left = top->left;
    replace_child(tree, top, left);
    top->left = left->right;
    if (top->left) top->left->parent = top;
    left->right = top;
    top->parent = left;
    update_height(top);
    update_height(left);
    return left;
}

tree_item* rotate_left(keyed_tree* tree, tree_item* top) {
    tree_item* right = top->right;
    replace_child(tree, top, right);
    top->right = right->left;
    if (top->right) top->right->parent = top;
    right->left = top;
    top->parent = right;
    update_height(top);
    update_height(right);
    return right;
}

// Walks up from a new leaf's parent, restoring the height difference of at
// most one between sibling subtrees; one (single or double) rotation
// suffices after an insertion.
void rebalance_upwards(keyed_tree* tree, tree_item* item) {
    for (; item; item = item->parent) {
        int before = item->height;
        int balance = height(item->left) - height(item->right);
        if (balance > 1) {
            if (height(item->left->left) < height(item->left->right))
                rotate_left(tree, item->left);
            item = rotate_right(tree, item);
        } else if (balance < -1) {
            if (height(item->right->right) < height(item->right->left))
                rotate_right(tree, item->right);
            item = rotate_left(tree, item);
        } else {
            update_height(item);
        }
        if (item->height == before) return;
    }
}

}  // namespace

tree_item* tree_insert(keyed_tree* tree, const void* key, std::size_t payload_size,
                       tree_compare compare) {
    search_result where = search(tree, key, compare);
    last_steps = where.steps;
    if (where.found) {
        if (where.found->rank == ITEM_NEW) where.found->rank = ITEM_OLD;
        return where.found;
    }
    auto* item = static_cast<tree_item*>(arena_alloc(TREE_LINK_SIZE + payload_size));
    item->rank = ITEM_NEW;
    item->height = 1;
    tree_item* neighbour = where.neighbour;
    if (!neighbour) {
        tree->root = tree->first = tree->last = item;
        return item;
    }
    // The neighbour is the last item the search passed, or an end of the
    // list: either way the side the item goes to is free. The item comes
    // right after the largest item below its key, the last one the search
    // passed on its left.
    item->parent = neighbour;
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
    rebalance_upwards(tree, neighbour);
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
