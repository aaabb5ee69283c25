#include "driver/kyvlink.h"

#include <gtest/gtest.h>

TEST(ReportName, OnlyExactSourceEndingsFromTheLastDotAreRefused) {
    EXPECT_TRUE(is_source_file_name("out.c"));
    EXPECT_TRUE(is_source_file_name("out.cpp"));
    EXPECT_TRUE(is_source_file_name("dir.x/out.c"));
    for (const char* accepted : {"out.C", "out.CPP", "out.cc", "out.cxx", "out.h", "out.c.xml",
                                 "out", "dir.c/report", "out.c ", ".cp"})
        EXPECT_FALSE(is_source_file_name(accepted)) << accepted;
}
