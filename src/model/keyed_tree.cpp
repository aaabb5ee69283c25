#include "model/keyed_tree.h"

#include "model/arena.h"

namespace {

constexpr int REBUILD_STEPS = 30;

struct search_result {
    tree_item* found = nullptr;
    tree_item* neighbour = nullptr;  // where a new item would hang
    bool key_below_neighbour = false;
    int steps = 0;
};

int last_steps = 0;
long renumbered = 0;  // items numbered by rebuilds so far

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
        result.neighbour = tree->last;
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
        item = order < 0 ? item->left : item->right;
    }
    return result;
}

tree_item* rotate_right(tree_item* top) {
    tree_item* left = top->left;
    top->left = left->right;
    if (top->left) top->left->parent = top;
    left->right = top;
    top->parent = left;
    return left;
}

tree_item* rotate_left(tree_item* top) {
    tree_item* right = top->right;
    top->right = right->left;
    if (top->right) top->right->parent = top;
    right->left = top;
    top->parent = right;
    return right;
}

// Hangs the item of rank mid at the top of the subtree in *link, then does
// the same for both halves; the recursion depth is logarithmic.
void median_step(tree_item** link, tree_item* parent, int lo, int hi) {
    if (hi - lo < 2) return;
    int mid = lo + (hi - lo) / 2;
    tree_item* top = *link;
    while (top->rank != mid) {
        if (mid < top->rank) {
            if (mid <= top->left->rank) {
                top = rotate_right(top);
            } else {
                top->left = rotate_left(top->left);
                top->left->parent = top;
                top = rotate_right(top);
            }
        } else {
            if (mid >= top->right->rank) {
                top = rotate_left(top);
            } else {
                top->right = rotate_right(top->right);
                top->right->parent = top;
                top = rotate_left(top);
            }
        }
    }
    *link = top;
    top->parent = parent;
    median_step(&top->left, top, lo, mid - 1);
    median_step(&top->right, top, mid + 1, hi);
}

// Items in the subtree under `top`, counting no further than `cap` + 1.
long subtree_size(const tree_item* top, long cap) {
    if (!top) return 0;
    const tree_item* low = top;
    while (low->left) low = low->left;
    const tree_item* high = top;
    while (high->right) high = high->right;
    long count = 1;
    for (const tree_item* item = low; item != high && count <= cap; item = item->next) ++count;
    return count;
}

// A subtree of `size` items that reaches `height` levels below its top is far
// deeper than a balanced one (about log2(size) levels).
bool too_deep(int height, long size) {
    int bits = 0;
    while (size >> bits) ++bits;
    return height > 2 * bits + 1;
}

// Rebuilds the subtree under `top` into median-rooted shape, numbering its
// items from 0.
void rebuild_subtree(keyed_tree* tree, tree_item* top) {
    tree_item* low = top;
    while (low->left) low = low->left;
    tree_item* high = top;
    while (high->right) high = high->right;
    int count = 0;
    for (tree_item* item = low;; item = item->next) {
        item->rank = count++;
        ++renumbered;
        if (item == high) break;
    }
    tree_item* parent = top->parent;
    tree_item** link = !parent ? &tree->root : parent->left == top ? &parent->left : &parent->right;
    median_step(link, parent, 0, count - 1);
}

// After an insertion deeper than the threshold: rebuilds the highest
// ancestor of the new item whose subtree is far too deep for its size,
// looking only as far up as the subtrees stay within a few times the length
// of the path just searched. The repair thus costs about what the search
// cost, instead of a rebuild of the whole tree each time a run of sorted keys
// lands in its middle, which would make building a large tree quadratic.
void repair_deep_path(keyed_tree* tree, tree_item* item, int steps) {
    const long limit = 8L * (steps + 1);
    long size = 1;
    int height = 0;
    tree_item* scapegoat = nullptr;
    for (tree_item *child = item, *above = item->parent; above; child = above, above = above->parent) {
        tree_item* other = above->left == child ? above->right : above->left;
        size += 1 + subtree_size(other, limit - size);
        ++height;
        if (too_deep(height, size)) scapegoat = above;
        if (size > limit) break;
    }
    if (scapegoat) rebuild_subtree(tree, scapegoat);
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
    tree_item* neighbour = where.neighbour;
    if (!neighbour) {
        tree->root = tree->first = tree->last = item;
        return item;
    }
    item->parent = neighbour;
    if (where.key_below_neighbour) {
        neighbour->left = item;
        item->next = neighbour;
        item->prev = neighbour->prev;
        neighbour->prev = item;
        if (item->prev) item->prev->next = item; else tree->first = item;
    } else {
        neighbour->right = item;
        item->prev = neighbour;
        item->next = neighbour->next;
        neighbour->next = item;
        if (item->next) item->next->prev = item; else tree->last = item;
    }
    if (where.steps > REBUILD_STEPS) {
        repair_deep_path(tree, item, where.steps);
        item->rank = ITEM_NEW;
    }
    return item;
}

tree_item* tree_find(keyed_tree* tree, const void* key, tree_compare compare) {
    if (!tree) return nullptr;
    search_result where = search(tree, key, compare);
    last_steps = where.steps;
    if (where.steps > REBUILD_STEPS) tree_rebalance(tree);
    tree_item* item = where.found;
    if (!item) return nullptr;
    while (item->prev && compare(item->prev, key) == 0) item = item->prev;
    return item;
}

void tree_walk(tree_item* start, void* argument, tree_visit visit) {
    for (tree_item* item = start; item;) {
        tree_item* next = item->next;  // the callback may insert after the item
        visit(item, argument);
        item = next;
    }
}

void tree_rebalance(keyed_tree* tree) {
    if (!tree->root || !tree->first) return;
    int count = 0;
    for (tree_item* item = tree->first; item; item = item->next) item->rank = count++;
    renumbered += count;
    median_step(&tree->root, nullptr, 0, count - 1);
}

int tree_last_steps() { return last_steps; }
long tree_renumbered_items() { return renumbered; }
