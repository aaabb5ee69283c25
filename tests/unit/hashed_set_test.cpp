#include "model/hashed_set.h"
#include "model/slot_tags.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

namespace {

struct keyed {
    std::uint32_t hash;
    int key;
};

}  // namespace

// Hashes chosen to collide: equal in all 32 bits, equal in the low bits that
// choose the slot but not in the high bits that tag it, and equal in the high
// bits only. Every record stays found through growth, absent keys are not,
// and a slot's tag never hides a record of its hash.
TEST(HashedSet, CollidingHashesAcrossGrowth) {
    std::mt19937 random(11);
    std::vector<keyed*> records;  // the set holds arena records
    hashed_set<keyed> set;
    auto find = [&](std::uint32_t hash, int key) {
        return set.find(hash, [&](const keyed* record) { return record->key == key; });
    };
    auto hash_of = [&](int key) -> std::uint32_t {
        switch (key % 3) {
            case 0: return 0x5A5A0042u;                                // all equal
            case 1: return (static_cast<std::uint32_t>(key) << 16) | 0x42u;  // slot equal, tag not
            default: return 0x77770000u | (static_cast<std::uint32_t>(key) & 0xFFFFu);  // tag equal
        }
    };
    for (int key = 0; key < 3000; ++key) {
        ASSERT_EQ(find(hash_of(key), key), nullptr) << key;
        auto* record = static_cast<keyed*>(arena_alloc(sizeof(keyed)));
        *record = {hash_of(key), key};
        records.push_back(record);
        set.add(record);
        int probe = static_cast<int>(random() % (key + 1));
        EXPECT_EQ(find(hash_of(probe), probe), records[probe]) << probe << " after " << key;
    }
    EXPECT_EQ(set.size(), records.size());
    for (const keyed* record : records) EXPECT_EQ(find(record->hash, record->key), record);
    EXPECT_EQ(find(hash_of(3000), 3000), nullptr);
    EXPECT_EQ(find(0x5A5A0042u, -1), nullptr);
}

// Tags sit above the address and come off whole; turned off, a slot holds
// the whole address, which may then use the top bits.
TEST(SlotTags, TagsOnAndOff) {
    slot_tags tags;
    const std::uintptr_t address = 0x00007F1234567890u;
    std::uintptr_t slot = address | tags.of(0x1ABCD);  // sixteen bits taken: 0xABCD
    EXPECT_EQ(slot, 0xABCD7F1234567890u);
    EXPECT_EQ(tags.address(slot), address);
    EXPECT_TRUE(tags.matches(slot, tags.of(0xABCD)));
    EXPECT_FALSE(tags.matches(slot, tags.of(0xABCE)));
    const auto* high = reinterpret_cast<const void*>(0x8000000000001000u);
    EXPECT_TRUE(tags.fit(reinterpret_cast<const void*>(address)));
    EXPECT_FALSE(tags.fit(high));

    EXPECT_EQ(tags.turn_off(), 0xFFFF000000000000u);
    EXPECT_EQ(tags.of(0xABCD), 0u);
    EXPECT_TRUE(tags.fit(high));
    EXPECT_EQ(tags.address(0x8000000000001000u), 0x8000000000001000u);
    EXPECT_TRUE(tags.matches(0x8000000000001000u, tags.of(0x1234)));
}
