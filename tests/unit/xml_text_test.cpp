#include "report/xml_text.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "captured_stream.h"
#include "messages/text_conversion.h"
#include "report/output_text.h"
#include "report/report_names.h"

namespace {

std::string written(const char* text, xml_place place) {
    captured_stream out;
    write_xml(out.stream(), text, place);
    return out.text();
}

std::string escaped(const char* text) {
    captured_stream out;
    write_escaped(out.stream(), text);
    return out.text();
}

}  // namespace

TEST(XmlText, OrdinaryTextsAreWrittenAsTheyAre) {
    const char* texts[] = {"main", "src/a b.c", "x > y 'q' \"d\"", "tab\there\nline\r", "a%b#c",
                           "caf\xC3\xA9"};
    for (const char* text : texts) EXPECT_EQ(written(text, xml_place::element_text), text);
    EXPECT_EQ(written("x > y 'q'", xml_place::attribute_value), "x > y 'q'");
}

TEST(XmlText, MarkupCharactersAreEscapedWhereTheyWouldBreakTheDocument) {
    EXPECT_EQ(written("vector<int>", xml_place::element_text), "vector&lt;int>");
    EXPECT_EQ(written("a && b", xml_place::element_text), "a &amp;&amp; b");
    EXPECT_EQ(written("say \"hi\"", xml_place::attribute_value), "say &quot;hi&quot;");
    EXPECT_EQ(written("say \"hi\"", xml_place::element_text), "say \"hi\"");
    EXPECT_EQ(written("a]]>b ]>", xml_place::element_text), "a]]&gt;b ]>");
    EXPECT_EQ(written("a]]>b", xml_place::attribute_value), "a]]>b");
}

TEST(XmlText, ReferencesAreKeptOnlyWhenTheyAreLegal) {
    EXPECT_EQ(written("&amp;&lt;&gt;&quot;&apos;", xml_place::element_text),
              "&amp;&lt;&gt;&quot;&apos;");
    EXPECT_EQ(written("&#60;&#x3C;&#x1F600;", xml_place::element_text), "&#60;&#x3C;&#x1F600;");
    // Unknown entities, references to forbidden characters and cut references.
    EXPECT_EQ(written("&nbsp; &#0; &#xD800; &#; &#x; &#99999999999; &amp", xml_place::element_text),
              "&amp;nbsp; &amp;#0; &amp;#xD800; &amp;#; &amp;#x; &amp;#99999999999; &amp;amp");
}

TEST(XmlText, ForbiddenCharactersAreDropped) {
    EXPECT_EQ(written("a\x01" "b\x0B" "c\x1F" "d\x7F", xml_place::element_text), "abcd\x7F");
    EXPECT_EQ(written("x\xEF\xBF\xBEy\xEF\xBF\xBFz", xml_place::attribute_value), "xyz");
    // A byte that is no UTF-8 becomes the replacement character.
    EXPECT_EQ(written("caf\xE9", xml_place::element_text), "caf\xEF\xBF\xBD");
}

TEST(XmlText, CommentsKeepMarkupButNeverTwoHyphens) {
    EXPECT_EQ(written("kyvcc --std=c99 -o a.xob <in> & out", xml_place::comment),
              "kyvcc - -std=c99 -o a.xob <in> & out");
    EXPECT_EQ(written("---", xml_place::comment), "- - -");
    EXPECT_EQ(written("a-b-c\x02-", xml_place::comment), "a-b-c-");
}

TEST(XmlText, LongTextsAreWrittenWhole) {
    // Longer than one conversion buffer: a long compile command or comment keeps its end.
    std::string ascii(3 * CONVERSION_BUFFER_SIZE, 'a');
    ascii += "<end>";
    EXPECT_EQ(written(ascii.c_str(), xml_place::element_text),
              std::string(3 * CONVERSION_BUFFER_SIZE, 'a') + "&lt;end>");
    EXPECT_EQ(written(ascii.c_str(), xml_place::comment), ascii);
    std::string accented;
    for (int i = 0; i < CONVERSION_BUFFER_SIZE; ++i) accented += "\xC3\xA9";
    accented += "&";
    EXPECT_EQ(written(accented.c_str(), xml_place::attribute_value),
              accented.substr(0, accented.size() - 1) + "&amp;");
    std::string title(2 * CONVERSION_BUFFER_SIZE, 'r');
    EXPECT_EQ(escaped((title + "'").c_str()), title + "&apos;");
}

TEST(XmlText, PiecesOfOneTextAreEscapedAsTheWhole) {
    captured_stream out;
    xml_text_state state;
    const char first[] = "a]";
    const char second[] = "]>-";
    write_xml_bytes(out.stream(), first, first + 2, xml_place::element_text, &state);
    write_xml_bytes(out.stream(), second, second + 3, xml_place::element_text, &state);
    EXPECT_EQ(out.text(), "a]]&gt;-");
}

// The tricky texts at every place around the 16-byte blocks in which the
// plain runs are found: plain letters before and after must not change how
// the text between them is written.
TEST(XmlText, TrickyTextsAreWrittenAlikeAtEveryOffset) {
    const struct {
        const char* text;
        xml_place place;
        const char* expected;
    } CASES[] = {
        {"]]>", xml_place::element_text, "]]&gt;"},
        {"]]>", xml_place::attribute_value, "]]>"},
        {"] ]>", xml_place::element_text, "] ]>"},
        {"]]]>", xml_place::element_text, "]]]&gt;"},
        {"&amp;", xml_place::element_text, "&amp;"},
        {"&amp", xml_place::element_text, "&amp;amp"},
        {"&#x3C;&#0;", xml_place::attribute_value, "&#x3C;&amp;#0;"},
        {"a<b", xml_place::attribute_value, "a&lt;b"},
        {"\"q\"", xml_place::attribute_value, "&quot;q&quot;"},
        {"\"q\"", xml_place::element_text, "\"q\""},
        {"\x01\x02\x1F\t\n\r\x7F", xml_place::element_text, "\t\n\r\x7F"},
        {"x\xEF\xBF\xBEy\xEF\xBF\xBF", xml_place::element_text, "xy"},
        {"\xEF\xBC\x81", xml_place::element_text, "\xEF\xBC\x81"},  // U+FF01 stays
        {"caf\xC3\xA9<", xml_place::element_text, "caf\xC3\xA9&lt;"},
        {"caf\xE9", xml_place::attribute_value, "caf\xEF\xBF\xBD"},
        {"--", xml_place::comment, "- -"},
        {"a-b--c", xml_place::comment, "a-b- -c"},
        {"<&]]>\"", xml_place::comment, "<&]]>\""},
    };
    for (const auto& tricky : CASES) {
        for (std::size_t before = 0; before <= 33; ++before) {
            for (std::size_t after : {0, 1, 15, 16, 17}) {
                std::string text = std::string(before, 'p') + tricky.text + std::string(after, 's');
                std::string expected =
                    std::string(before, 'p') + tricky.expected + std::string(after, 's');
                ASSERT_EQ(written(text.c_str(), tricky.place), expected)
                    << tricky.text << " after " << before << " bytes, before " << after;
            }
        }
    }
}

// Numbers go straight into the stream's buffer when it has room, else by
// a copy: thousands of them, so that the buffer fills at every offset.
TEST(XmlText, NumbersReadAsPrintfWritesThem) {
    const long long VALUES[] = {0, 7, -1, 42, 1000000, -2147483648LL, 2147483647LL,
                                -9223372036854775807LL - 1, 9223372036854775807LL};
    captured_stream out;
    std::string expected;
    char digits[32];
    for (int round = 0; round < 3000; ++round) {
        long long value = VALUES[round % (sizeof VALUES / sizeof VALUES[0])];
        write_number(out.stream(), value);
        put_char(' ', out.stream());
        std::snprintf(digits, sizeof digits, "%lld ", value);
        expected += digits;
    }
    EXPECT_EQ(out.text(), expected);
}

// Short pieces are copied in fixed-size moves that overlap: every length
// up to and past 16, in a stream whose buffer fills at every offset.
TEST(OutputText, PiecesOfEveryLengthArriveWhole) {
    const std::string source = "0123456789abcdefghijklmnopqrstuvwxyzABCDEF";
    captured_stream out;
    std::string expected;
    for (int round = 0; round < 400; ++round) {
        for (std::size_t length = 0; length <= 20; ++length) {
            std::size_t from = (round + length) % (source.size() - 20);
            put_bytes(source.data() + from, length, out.stream());
            expected.append(source, from, length);
        }
    }
    EXPECT_EQ(out.text(), expected);
}

TEST(XmlText, FullEscapingCoversEveryMarkupCharacter) {
    EXPECT_EQ(escaped("a\"b&c'd<e>f"), "a&quot;b&amp;c&apos;d&lt;e&gt;f");
    EXPECT_EQ(escaped("out\x01.xml"), "out.xml");
    EXPECT_EQ(escaped(nullptr), "");
}

TEST(ReportNames, ShortNameAndExtension) {
    EXPECT_STREQ(base_name("src/dir\\f.c"), "dir\\f.c");
    EXPECT_STREQ(base_name("c:\\src\\f.c"), "f.c");
    EXPECT_STREQ(base_name("c:f.c"), "f.c");
    EXPECT_STREQ(base_name("f.c"), "f.c");
    EXPECT_STREQ(base_name("dir/"), "");
    EXPECT_STREQ(extension_of("f.tar.gz"), ".gz");
    EXPECT_STREQ(extension_of("Makefile"), "");
}

TEST(ReportNames, TagReplacesTheByteFourPlacesBeforeTheEnd) {
    EXPECT_EQ(report_tag("reports/review.xrd"), "review_xrd");
    EXPECT_EQ(report_tag("a.xr"), "a.xr");
    EXPECT_EQ(report_tag("abcde"), "a_cde");
    EXPECT_EQ(report_tag("dir/"), "");
}
