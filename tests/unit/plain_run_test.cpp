#include "report/plain_run.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

// The rule itself, one byte at a time.
bool plain(unsigned char byte, bool ascii_only) {
    if (byte < 0x20 || (ascii_only && byte > 0x7F)) return false;
    return byte != '&' && byte != '<' && byte != '>' && byte != '"' && byte != ']' && byte != 0xEF;
}

std::size_t expected_plain_end(const std::string& text, std::size_t from, bool ascii_only) {
    while (from < text.size() && plain(static_cast<unsigned char>(text[from]), ascii_only)) ++from;
    return from;
}

std::size_t plain_end_of(const std::string& text, std::size_t from, bool ascii_only) {
    const char* begin = text.data();
    return static_cast<std::size_t>(
        plain_run_end(begin + from, begin + text.size(), ascii_only) - begin);
}

std::size_t ascii_end_of(const std::string& text, std::size_t from) {
    const char* begin = text.data();
    return static_cast<std::size_t>(ascii_run_end(begin + from, begin + text.size()) - begin);
}

}  // namespace

// Every byte value, placed at every offset of the first three 16-byte
// blocks and the tail after them, from every start within a block: the
// blocks and the bytes after them must agree with the byte-wise rule.
TEST(PlainRun, EveryByteAtEveryOffsetStopsTheRunExactlyWhereTheRuleSays) {
    for (int value = 0; value < 256; ++value) {
        for (std::size_t at = 0; at < 52; ++at) {
            std::string text(53, 'a');
            text[at] = static_cast<char>(value);
            for (std::size_t from = 0; from <= at && from < 17; ++from) {
                for (bool ascii_only : {false, true}) {
                    ASSERT_EQ(plain_end_of(text, from, ascii_only),
                              expected_plain_end(text, from, ascii_only))
                        << "byte " << value << " at " << at << " from " << from;
                }
                ASSERT_EQ(ascii_end_of(text, from), value < 0x80 ? text.size() : at)
                    << "byte " << value << " at " << at << " from " << from;
            }
        }
    }
}

TEST(PlainRun, EmptyAndShortRangesReadNothingPastTheirEnd) {
    // The bytes after the range would stop the run: they must not be looked at.
    const std::string text = "abcdefghijklmnopqrstuvwxyz<<<<<<<<<<<<<<<<";
    for (std::size_t length = 0; length <= 26; ++length) {
        const char* end = text.data() + length;
        EXPECT_EQ(plain_run_end(text.data(), end, true), end) << length;
        EXPECT_EQ(plain_run_end(text.data(), end, false), end) << length;
        EXPECT_EQ(ascii_run_end(text.data(), end), end) << length;
    }
}

TEST(PlainRun, RandomTextsAgreeWithTheByteWiseRule) {
    std::mt19937 random(37);
    // Mostly plain letters, with a stop now and then, as real names and paths.
    const std::string stops = std::string("&<>\"]\x01\x1F\xEF\xC3\xA9\x7F\t", 13);
    for (int round = 0; round < 2000; ++round) {
        std::string text(random() % 80, 'x');
        for (char& byte : text)
            if (random() % 20 == 0) byte = stops[random() % stops.size()];
        for (std::size_t from = 0; from <= text.size(); from += 1 + random() % 7)
            for (bool ascii_only : {false, true})
                ASSERT_EQ(plain_end_of(text, from, ascii_only),
                          expected_plain_end(text, from, ascii_only));
    }
}
