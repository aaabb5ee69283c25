#include "model/file_table.h"

#include <gtest/gtest.h>

#include "model/name_table.h"
#include "model/xob_node.h"

namespace {

// What the reader does when an xob file begins.
void begin_xob_file() {
    clear_file_numbers();
    clear_type_numbers();
}

xob_node* source(const char* short_name, const char* full_path) {
    return new_source(name_intern(short_name), name_intern(full_path), false, nullptr);
}

}  // namespace

TEST(FileTable, HeaderThroughTwoXobFilesHasOneEntry) {
    std::int32_t size_before = file_table_size;
    begin_xob_file();
    xob_node* first = source("common.h", "/src/ft/common.h");
    std::int32_t index = register_file(3, first);
    xob_node* in_first = new_position_by_number(3, 10, 2);

    begin_xob_file();
    xob_node* second = source("common.h", "/src/ft/common.h");
    EXPECT_EQ(register_file(8, second), index);
    xob_node* in_second = new_position_by_number(8, 12, 1);
    xob_node* by_name = new_position_by_name(nullptr, name_intern("/src/ft/common.h"), 1, 1);

    EXPECT_EQ(file_table_size, size_before + 1);
    EXPECT_EQ(in_first->file, index);
    EXPECT_EQ(in_second->file, index);
    EXPECT_EQ(by_name->file, index);
    EXPECT_EQ(file_source(index), first);  // the first appearance is kept
    EXPECT_STREQ(name_text(file_full_path(index)), "/src/ft/common.h");
    EXPECT_STREQ(name_text(file_name_of(index)), "common.h");
}

TEST(FileTable, FileNumbersAreLocalToOneXobFile) {
    begin_xob_file();
    std::int32_t a = register_file(5, source("a.c", "/src/ft/a.c"));
    std::int32_t b = register_file(6, source("b.c", "/src/ft/b.c"));
    EXPECT_NE(a, b);
    EXPECT_EQ(file_number_index(5), a);
    EXPECT_EQ(file_number_index(6), b);
    begin_xob_file();
    EXPECT_EQ(file_number_index(6), 0);
}

TEST(FileTable, UnknownFilesAndNumbersNeverIndexOutside) {
    begin_xob_file();
    EXPECT_EQ(new_position_by_number(424242, 1, 1)->file, 0);  // page never written
    EXPECT_EQ(new_position_by_number(-1, 1, 1)->file, 0);
    EXPECT_EQ(new_position_by_number(1000000, 1, 1)->file, 0);
    EXPECT_EQ(new_position_by_number(2147483647, 1, 1)->file, 0);
    EXPECT_EQ(new_position_by_name(nullptr, name_intern("/never/registered.c"), 1, 1)->file, -1);
    EXPECT_EQ(file_index_of(nullptr), -1);
    for (std::int32_t index : {-1, -2147483647 - 1, 999999, 1000000, 2147483647}) {
        EXPECT_EQ(file_full_path(index), nullptr);
        EXPECT_EQ(file_name_of(index), nullptr);
    }
}

TEST(FileTable, XobScopeNodeNeverEntersTheTable) {
    std::int32_t size_before = file_table_size;
    xob_node* scope_node = new_source(name_intern("unit.xob"), nullptr, false, nullptr);
    EXPECT_EQ(register_file(4, scope_node), -1);
    EXPECT_EQ(file_table_size, size_before);
}

TEST(TypeNumbers, MappedOnlyInTheFirstXobFile) {
    begin_xob_file();
    std::int32_t index = register_typedef(new_node(a_typedef));
    map_type_number(17, index);
    map_type_number(2500000, index);  // out of range: ignored
    EXPECT_EQ(type_index_of(17), index);
    EXPECT_EQ(type_index_of(-11), -11);  // basic types stay as they are
    begin_xob_file();
    EXPECT_EQ(type_index_of(17), 0);
    EXPECT_EQ(type_index_of(2500000), 0);
    EXPECT_EQ(type_index_of(999999), 0);
}
