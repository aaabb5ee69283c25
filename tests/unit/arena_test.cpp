#include "model/arena.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <set>
#include <thread>

namespace {

constexpr std::size_t BLOCK = 4 << 20;  // the arena's block size

#if defined(__SANITIZE_ADDRESS__)
constexpr bool CHECKED_ARENA = true;  // no blocks prepared ahead
#else
constexpr bool CHECKED_ARENA = false;
#endif

bool all_zero(const void* memory, std::size_t bytes) {
    const auto* at = static_cast<const unsigned char*>(memory);
    for (std::size_t i = 0; i < bytes; ++i)
        if (at[i] != 0) return false;
    return true;
}

}  // namespace

// A block prepared on another thread is taken once, zero-filled, by the next
// allocation of its size; one is prepared ahead at most, and none once
// preparing is off.
TEST(Arena, PreparedBlockIsTakenOnceZeroFilled) {
    if (CHECKED_ARENA) GTEST_SKIP() << "the checked arena prepares no blocks";
    zeroed_table_free(zeroed_table_alloc(BLOCK), BLOCK);  // takes one left by an earlier run
    EXPECT_FALSE(arena_prepare_block());
    arena_set_preparing(true);
    bool prepared = false;
    std::thread worker([&] { prepared = arena_prepare_block(); });
    worker.join();
    EXPECT_TRUE(prepared);
    EXPECT_FALSE(arena_prepare_block());  // one is ready already

    void* first = zeroed_table_alloc(BLOCK);
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(all_zero(first, BLOCK));
    std::memset(first, 0xAB, BLOCK);
    EXPECT_TRUE(arena_prepare_block());
    void* second = zeroed_table_alloc(BLOCK);
    EXPECT_NE(second, first);
    EXPECT_TRUE(all_zero(second, BLOCK));

    arena_set_preparing(false);
    EXPECT_FALSE(arena_prepare_block());
    zeroed_table_free(first, BLOCK);
    zeroed_table_free(second, BLOCK);
}

// Numbers lead back to their records, across blocks and for records larger
// than a block, each its own; every record is usable to its last byte.
TEST(Arena, EveryRecordIsFoundByItsNumber) {
    EXPECT_EQ(arena_number(nullptr), 0u);
    EXPECT_EQ(arena_record(0), nullptr);
    std::set<std::uint32_t> numbers;
    std::size_t sizes[] = {1, 8, 16, 24, 40, 80, 4096, 1 << 20, 2 * BLOCK + 8, 7};
    for (int round = 0; round < 300; ++round) {
        for (std::size_t size : sizes) {
            if (size > 4096 && round % 100 != 0) continue;
            auto* record = static_cast<unsigned char*>(arena_alloc(size));
            EXPECT_TRUE(all_zero(record, size));
            record[size - 1] = 1;
            std::uint32_t number = arena_number(record);
            ASSERT_TRUE(numbers.insert(number).second) << size;
            ASSERT_EQ(arena_record(number), record) << size;
        }
    }
}

// A size that rounding would wrap to nothing is refused like an exhausted heap.
TEST(ArenaDeathTest, SizeNearTheLimitEndsTheRun) {
    EXPECT_EXIT(arena_alloc(SIZE_MAX - 3), ::testing::ExitedWithCode(7), "Fatal Error: no memory left");
    EXPECT_EXIT(arena_alloc(std::size_t{1} << 40), ::testing::ExitedWithCode(7), "Fatal Error: no memory left");
}
