#include "model/keyed_tree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <utility>
#include <vector>

namespace {

int compare_int(const tree_item* item, const void* key) {
    int have = *static_cast<const int*>(tree_payload(item));
    int want = *static_cast<const int*>(key);
    return want < have ? -1 : want > have ? 1 : 0;
}

// Never equal: equal keys go after the items already there.
int compare_never_equal(const tree_item* item, const void* key) {
    int have = *static_cast<const int*>(tree_payload(item));
    int want = *static_cast<const int*>(key);
    return want < have ? -1 : 1;
}

tree_item* insert(keyed_tree* tree, int key, tree_compare compare = compare_int) {
    tree_item* item = tree_insert(tree, &key, sizeof(int), compare);
    if (item->rank == ITEM_NEW) *static_cast<int*>(tree_payload(item)) = key;
    return item;
}

std::vector<int> walk_all(const keyed_tree& tree) {
    std::vector<int> keys;
    tree_walk(tree.first, &keys, [](tree_item* item, void* out) {
        static_cast<std::vector<int>*>(out)->push_back(*static_cast<int*>(tree_payload(item)));
    });
    return keys;
}

TEST(KeyedTree, EmptyTreeCreatesFirstItem) {
    keyed_tree tree;
    int key = 5;
    EXPECT_EQ(tree_find(&tree, &key, compare_int), nullptr);
    tree_item* item = insert(&tree, 5);
    EXPECT_EQ(item->rank, ITEM_NEW);
    EXPECT_EQ(tree.root, item);
    EXPECT_EQ(tree.first, item);
    EXPECT_EQ(tree.last, item);
    EXPECT_EQ(tree_find(&tree, &key, compare_int), item);
    tree_walk(nullptr, nullptr, [](tree_item*, void*) { FAIL() << "walk from null visited"; });
}

TEST(KeyedTree, SameKeyTwiceIsNewOnlyOnce) {
    keyed_tree tree;
    insert(&tree, 3);
    tree_item* first = insert(&tree, 7);
    insert(&tree, 1);
    tree_item* again = insert(&tree, 7);
    EXPECT_EQ(again, first);
    EXPECT_EQ(again->rank, ITEM_OLD);
    EXPECT_EQ(insert(&tree, 7)->rank, ITEM_OLD);
    EXPECT_EQ(walk_all(tree), (std::vector<int>{1, 3, 7}));
}

// Checks the links a search relies on: heights, and the height difference
// of at most one that bounds the depth.
int check_shape(const keyed_tree& tree, const tree_item* item) {
    if (!item) return 0;
    int left = check_shape(tree, item->left);
    int right = check_shape(tree, item->right);
    EXPECT_LE(std::abs(left - right), 1);
    EXPECT_EQ(item->height, 1 + std::max(left, right));
    return 1 + std::max(left, right);
}

// Sorted runs (a file's traps), descending runs (declarations walked newest
// first) and random keys with many repeats all keep the tree logarithmic.
TEST(KeyedTree, EveryInsertionOrderStaysBalancedAndWalksSorted) {
    std::vector<std::vector<int>> orders(3);
    for (int key = 0; key < 100000; ++key) orders[0].push_back(key);
    for (int key = 100000; key-- > 0;) orders[1].push_back(key);
    unsigned seed = 12345;
    for (int i = 0; i < 100000; ++i) {
        seed = seed * 1103515245u + 12345u;
        orders[2].push_back(static_cast<int>((seed >> 8) % 3000));
    }
    for (const std::vector<int>& keys : orders) {
        keyed_tree tree;
        int created = 0;
        for (int key : keys) created += insert(&tree, key)->rank == ITEM_NEW;
        std::vector<int> sorted = keys;
        std::sort(sorted.begin(), sorted.end());
        sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
        EXPECT_EQ(walk_all(tree), sorted);
        EXPECT_EQ(created, static_cast<int>(sorted.size()));
        int levels = check_shape(tree, tree.root);
        EXPECT_LE(levels, 25);  // 1.44 log2(100000) + 1
        for (std::size_t i = 0; i < sorted.size(); i += 97) {
            tree_item* found = tree_find(&tree, &sorted[i], compare_int);
            ASSERT_NE(found, nullptr);
            EXPECT_EQ(*static_cast<int*>(tree_payload(found)), sorted[i]);
            EXPECT_LT(tree_last_steps(), levels);
        }
        int missing = 200000;
        EXPECT_EQ(tree_find(&tree, &missing, compare_int), nullptr);
    }
}

TEST(KeyedTree, NeverEqualComparisonPlacesEqualKeysBySign) {
    keyed_tree tree;
    std::vector<tree_item*> items;
    for (int key : {2, 5, 2, 5, 1}) items.push_back(insert(&tree, key, compare_never_equal));
    for (tree_item* item : items) EXPECT_EQ(item->rank, ITEM_NEW);
    std::vector<tree_item*> order;
    tree_walk(tree.first, &order, [](tree_item* item, void* out) {
        static_cast<std::vector<tree_item*>*>(out)->push_back(item);
    });
    // Equal keys sort after those inserted before them.
    EXPECT_EQ(order, (std::vector<tree_item*>{items[4], items[0], items[2], items[1], items[3]}));
}

TEST(KeyedTree, FindReturnsTheSmallestOfEqualNeighbours) {
    keyed_tree tree;
    insert(&tree, 1, compare_never_equal);
    tree_item* first_four = insert(&tree, 4, compare_never_equal);
    insert(&tree, 4, compare_never_equal);
    insert(&tree, 9, compare_never_equal);
    int key = 4;
    EXPECT_EQ(tree_find(&tree, &key, compare_int), first_four);
}

// The rule statistics insert with a comparison that never says equal: among
// equal keys the walk must give insertion order, however the tree rotates.
TEST(KeyedTree, NeverEqualComparisonKeepsInsertionOrderAtScale) {
    keyed_tree tree;
    std::vector<std::pair<int, tree_item*>> inserted;
    unsigned seed = 99;
    for (int i = 0; i < 20000; ++i) {
        seed = seed * 1103515245u + 12345u;
        int key = static_cast<int>((seed >> 8) % 50);
        inserted.emplace_back(key, insert(&tree, key, compare_never_equal));
    }
    std::stable_sort(inserted.begin(), inserted.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<tree_item*> expected;
    for (const auto& entry : inserted) expected.push_back(entry.second);
    std::vector<tree_item*> order;
    tree_walk(tree.first, &order, [](tree_item* item, void* out) {
        static_cast<std::vector<tree_item*>*>(out)->push_back(item);
    });
    EXPECT_EQ(order, expected);
    check_shape(tree, tree.root);
}

}  // namespace
