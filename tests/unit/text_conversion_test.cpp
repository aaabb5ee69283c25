#include "messages/text_conversion.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "messages/time_text.h"

TEST(TextConversion, TwentyFirstConversionReusesTheFirstBuffer) {
    const char* first = to_utf8("first");
    for (int i = 0; i < 19; ++i) to_utf8("middle");
    EXPECT_STREQ(first, "first");
    const char* newest = to_utf8("newest");
    EXPECT_EQ(newest, first);
    EXPECT_STREQ(first, "newest");
}

TEST(TextConversion, BytesAboveAsciiBecomeUtf8) {
    // The local encoding here is UTF-8: valid sequences pass, stray bytes become U+FFFD.
    EXPECT_STREQ(to_utf8("caf\xC3\xA9"), "caf\xC3\xA9");
    EXPECT_STREQ(to_utf8("caf\xE9"), "caf\xEF\xBF\xBD");
    EXPECT_STREQ(as_is("a%2b"), "a%2b");
}

TEST(TextConversion, LongTextIsCutAtACharacterBoundary) {
    std::string text = "x";
    while (text.size() < 30000) text += "\xC3\xA9";  // one byte, then two-byte characters
    const char* converted = to_utf8(text.c_str());
    std::size_t length = std::strlen(converted);
    EXPECT_EQ(length, 19999u);
    EXPECT_EQ(std::string(converted), text.substr(0, 19999));
    std::string even(25000, 'a');
    EXPECT_EQ(std::strlen(to_utf8(even.c_str())), 19999u);
    text = "xy";
    while (text.size() < 30000) text += "\xC3\xA9";
    EXPECT_EQ(std::strlen(to_utf8(text.c_str())), 19998u);  // never half a character
}

TEST(TimeText, DayWithLeadingZero) {
    setenv("TZ", "UTC", 1);
    tzset();
    // Tuesday 5 March 2024, 07:08:09 UTC.
    EXPECT_STREQ(local_time_text(1709622489), "Tue Mar 05 07:08:09 2024\n");
    EXPECT_STREQ(local_time_text(0), "Thu Jan 01 00:00:00 1970\n");
}

TEST(TimeText, TimeStampHasNoLineBreak) {
    char buffer[100];
    std::memset(buffer, 'z', sizeof buffer);
    time_stamp(buffer);
    std::size_t length = std::strlen(buffer);
    EXPECT_EQ(length, 24u);
    EXPECT_NE(buffer[length - 1], '\n');
}
