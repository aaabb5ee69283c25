#include "parse/token_values.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

TEST(TokenValues, NumberValue) {
    struct number_case {
        const char* token;
        std::int32_t value;
    };
    const number_case cases[] = {
        {"\"12\"", 12},
        {"\"12x\"", 12},
        {"\"-3\"", -3},
        {"\" \t+7\"", 7},
        {"\"\"", 0},
        {"\"x1\"", 0},
        {"\"- 1\"", 0},
        {"\"0042\"", 42},
        {"\"2147483647\"", INT32_MAX},
        {"\"-2147483648\"", INT32_MIN},
        {"\"2147483648\"", INT32_MAX},
        {"\"-99999999999999999999999\"", INT32_MIN},
    };
    for (const number_case& c : cases) EXPECT_EQ(number_value(c.token), c.value) << c.token;
}

TEST(TokenValues, StringValueIsVerbatimAndWhole) {
    const std::string token("\"a&quot;\0b\"", 11);
    EXPECT_EQ(string_value(token.data(), static_cast<int>(token.size())),
              std::string("a&quot;\0b", 9));
    EXPECT_EQ(string_value("\"\"", 2), "");
    EXPECT_EQ(string_value("", 0), "");
}

}  // namespace
