#include "model/name_table.h"

#include <gtest/gtest.h>

#include <string>

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
    int marker = 0;
    name_set_binding(n, &marker);
    name_set_index(n, 42);
    EXPECT_EQ(name_binding(name_intern("fresh_name_for_slots")), &marker);
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
