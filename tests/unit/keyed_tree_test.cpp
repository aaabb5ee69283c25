#include "model/keyed_tree.h"

#include <gtest/gtest.h>

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

int depth(const tree_item* item) {
    if (!item) return 0;
    return 1 + std::max(depth(item->left), depth(item->right));
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

TEST(KeyedTree, AscendingKeysStayAChainUntilADeepSearchRebuilds) {
    keyed_tree tree;
    for (int key = 0; key < 1000; ++key) insert(&tree, key);
    EXPECT_EQ(depth(tree.root), 1000);  // the fast path never counts a step
    EXPECT_EQ(tree.first->rank, ITEM_NEW);  // no rebuild has numbered it

    int middle = 500;
    tree_item* found = tree_find(&tree, &middle, compare_int);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(tree_last_steps(), 500);
    EXPECT_LE(depth(tree.root), 11);
    EXPECT_EQ(found->rank, 500);  // ranks are positions after the rebuild

    for (int key : {0, 1, 250, 499, 998, 999, 777}) {
        tree_item* item = tree_find(&tree, &key, compare_int);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(*static_cast<int*>(tree_payload(item)), key);
        EXPECT_LE(tree_last_steps(), 10);
    }
    std::vector<int> keys = walk_all(tree);
    ASSERT_EQ(keys.size(), 1000u);
    for (int i = 0; i < 1000; ++i) EXPECT_EQ(keys[i], i);
    int missing = 1000;
    EXPECT_EQ(tree_find(&tree, &missing, compare_int), nullptr);
}

TEST(KeyedTree, DeepInsertRebuildsAndKeepsTheNewMark) {
    keyed_tree tree;
    for (int key = 0; key < 200; key += 2) insert(&tree, key);
    tree_item* item = insert(&tree, 101);  // descends 51 steps down the chain
    EXPECT_EQ(item->rank, ITEM_NEW);
    EXPECT_LE(depth(tree.root), 8);
    EXPECT_EQ(walk_all(tree).size(), 101u);
}

TEST(KeyedTree, SortedRunsIntoTheMiddleStayShallow) {
    keyed_tree tree;
    for (int key = 0; key < 1000000; key += 1000) insert(&tree, key);
    int middle = 500000;
    tree_find(&tree, &middle, compare_int);  // balances the chain the fast path built
    // Runs of ascending keys between two neighbours, as a file's traps arrive.
    long renumbered_before = tree_renumbered_items();
    for (int base : {1000, 500000, 998000, 250000})
        for (int key = base + 1; key < base + 1000; ++key) insert(&tree, key);
    EXPECT_LE(depth(tree.root), 40);
    // Repairs stay local: rebuilding the whole tree for every deep run would
    // renumber millions of items here.
    EXPECT_LT(tree_renumbered_items() - renumbered_before, 100000);
    std::vector<int> keys = walk_all(tree);
    ASSERT_EQ(keys.size(), 1000u + 4 * 999u);
    for (std::size_t i = 1; i < keys.size(); ++i) ASSERT_LT(keys[i - 1], keys[i]);
    for (int key : {1001, 500998, 998500, 250001, 0, 999000}) {
        ASSERT_NE(tree_find(&tree, &key, compare_int), nullptr) << key;
        EXPECT_LE(tree_last_steps(), 40);
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

TEST(KeyedTree, RandomOrderWalksSorted) {
    keyed_tree tree;
    unsigned seed = 12345;
    std::vector<int> keys;
    for (int i = 0; i < 5000; ++i) {
        seed = seed * 1103515245u + 12345u;
        int key = static_cast<int>((seed >> 8) % 2000);
        insert(&tree, key);
        keys.push_back(key);
    }
    std::vector<int> walked = walk_all(tree);
    for (std::size_t i = 1; i < walked.size(); ++i) EXPECT_LT(walked[i - 1], walked[i]);
    for (int key : keys) EXPECT_NE(tree_find(&tree, &key, compare_int), nullptr);
}

}  // namespace
