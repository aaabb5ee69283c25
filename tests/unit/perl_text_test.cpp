#include "report/perl_text.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "perl_eval.h"

namespace {

// Every text must come back from Perl byte for byte: a text that ended its
// string early or interpolated a variable would come back changed, or not
// at all.
TEST(PerlText, HostileTextsReadBackUnchanged) {
    const std::vector<std::string> texts = {
        "",
        "plain_name",
        "$ENV{HOME}",
        "@ARGV",
        "@{[ 'interpolated' ]}",
        "${\\ 'interpolated'}",
        "ends in a backslash\\",
        "\\",
        "\\\\",
        "quote\"inside",
        "\"; $x = 'code ran'; \"",
        "\\\"; $x = 'code ran'; #",
        "C:\\src\\a.c",
        "\\n\\t\\x41\\U\\0 stay as written",
        "line\nfeed and\ttab",
        "%hash #not a comment",
        "\xe9\xff high bytes",
        std::string(300, '$') + std::string(300, '\\'),
    };
    std::string file = scratch_path("perl_text_test.pl");
    std::FILE* out = std::fopen(file.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    std::fputs("$x = 'nothing ran';\n@t=(", out);
    for (const std::string& text : texts) {
        write_perl_string(out, text.c_str());
        std::fputs(",\n", out);
    }
    std::fputs(");\n1;\n", out);
    std::fclose(out);

    std::string result;
    ASSERT_TRUE(perl_eval(file, "print $x, \"\\0\", join(\"\\0\", @t);", &result));
    std::string expected = "nothing ran";
    for (const std::string& text : texts) expected += '\0' + text;
    EXPECT_EQ(result, expected);
    std::remove(file.c_str());
}

TEST(PerlText, NullIsTheEmptyString) {
    std::string file = scratch_path("perl_text_null.pl");
    std::FILE* out = std::fopen(file.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    std::fputs("$t=", out);
    write_perl_string(out, nullptr);
    std::fputs(";\n1;\n", out);
    std::fclose(out);
    std::string result;
    ASSERT_TRUE(perl_eval(file, "print defined $t ? \"[$t]\" : 'undef';", &result));
    EXPECT_EQ(result, "[]");
    std::remove(file.c_str());
}

}  // namespace
