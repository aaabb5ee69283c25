#include "model/name_table.h"

#include <gtest/gtest.h>

#include "model/arena.h"
#include "model/name_sequences.h"

#include <string>
#include <vector>

TEST(NameTable, EqualTextsAreOneName) {
    std::string text = "counter";
    name* first = name_intern(text.c_str());
    text[0] = 'C';
    name* other_case = name_intern(text.c_str());
    EXPECT_EQ(name_intern("counter"), first);
    EXPECT_NE(other_case, first);
    EXPECT_STREQ(name_text(first), "counter");
    EXPECT_STREQ(name_text(other_case), "Counter");
}

TEST(NameTable, NewNameHasEmptySlots) {
    name* n = name_intern("fresh_name_for_slots");
    EXPECT_EQ(name_index(n), -1);
    EXPECT_EQ(name_binding(n), nullptr);
    void* marker = arena_alloc(8);  // what a name binds is a record of the arena
    name_set_binding(n, marker);
    name_set_index(n, 42);
    EXPECT_EQ(name_binding(name_intern("fresh_name_for_slots")), marker);
    EXPECT_EQ(name_index(name_intern("fresh_name_for_slots")), 42);
}

TEST(NameTable, NullAndEmptyNames) {
    EXPECT_STREQ(name_text(nullptr), "");
    EXPECT_EQ(name_binding(nullptr), nullptr);
    EXPECT_EQ(name_index(nullptr), -1);
    name_set_binding(nullptr, nullptr);
    name_set_index(nullptr, 3);
    name* empty = name_intern("");
    EXPECT_EQ(name_intern(""), empty);
    EXPECT_STREQ(name_text(empty), "");
}

TEST(NameTable, HighBytesCompareUnsigned) {
    name* high = name_intern("\xE9t\xE9");
    name* low = name_intern("et");
    EXPECT_NE(high, low);
    EXPECT_EQ(name_intern("\xE9t\xE9"), high);
}

// Growth of the table moves every entry: names interned before and after it
// must stay one name per text, also texts that are prefixes of each other
// and texts taken from the middle of a buffer.
TEST(NameTable, ManyNamesStayUniqueAcrossGrowth) {
    std::vector<name*> first;
    for (int i = 0; i < 100000; ++i) first.push_back(name_intern(("grow_" + std::to_string(i)).c_str()));
    for (int i = 0; i < 100000; ++i) {
        std::string text = "grow_" + std::to_string(i);
        ASSERT_EQ(name_intern(text.c_str()), first[i]) << text;
        ASSERT_STREQ(name_text(first[i]), text.c_str());
    }
    const char buffer[] = "\"grow_12\" trailing";
    EXPECT_EQ(name_intern_bytes(buffer + 1, 7), first[12]);
    EXPECT_EQ(name_intern_bytes(buffer + 1, 6), first[1]);
    EXPECT_NE(name_intern_bytes(buffer + 1, 5), first[1]);
    EXPECT_STREQ(name_text(name_intern_bytes(buffer + 1, 5)), "grow_");
}

// A file read again takes its names from the order of an earlier read, and
// only where the text read is the whole text of the name expected: a text
// that is a prefix of it, even under the same hash, is another name.
TEST(NameTable, NamesInTheOrderOfAnEarlierReadAreChecked) {
    name* file = name_intern("/inc/order.h");
    const std::string texts[] = {"order_first", "order_second_long", "order_third"};
    auto read_file = [&](const std::string* names, int count) {
        std::vector<name*> got;
        name_sequence_enter(file);
        for (int i = 0; i < count; ++i) {
            const std::string& text = names[i];
            got.push_back(name_intern_read(text.data(), text.size(), name_hash(text.data(), text.size())));
        }
        name_sequence_leave();
        return got;
    };
    for (int read = 0; read < 3; ++read) {
        std::vector<name*> got = read_file(texts, 3);
        for (int i = 0; i < 3; ++i) ASSERT_EQ(got[i], name_intern(texts[i].c_str())) << "read " << read;
    }

    name_sequence_enter(file);
    EXPECT_EQ(name_intern_read("order_first", 11, name_hash("order_first", 11)), name_intern("order_first"));
    std::uint32_t expected_hash = name_intern("order_second_long")->hash;
    EXPECT_EQ(name_sequence_predict("order_second", 12, expected_hash), nullptr);
    name_sequence_leave();

    // The order was left: the next read records it again, and reads it after.
    const std::string changed[] = {"order_first", "order_changed", "order_third"};
    for (int read = 0; read < 3; ++read) {
        std::vector<name*> got = read_file(changed, 3);
        for (int i = 0; i < 3; ++i) ASSERT_EQ(got[i], name_intern(changed[i].c_str())) << "read " << read;
    }
    name_sequence_reset();
}
