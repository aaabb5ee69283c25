// The justification scanner on small C texts: each case lists everything the
// scan found, justifications first, so that an extra or a missed one fails.
#include "kyvscan/justify_comments.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// "J line:column rule lines all|- reason" and "M line:column message".
std::vector<std::string> scanned(const std::string& text) {
    justification_scan scan = scan_justifications(text.data(), text.size());
    std::vector<std::string> out;
    for (const justification& j : scan.justifications)
        out.push_back("J " + std::to_string(j.line) + ":" + std::to_string(j.column) + " " + j.rule + " " +
                      std::to_string(j.lines) + " " + (j.all ? "all" : "-") + " " + j.reason);
    for (const malformed_justification& m : scan.malformed)
        out.push_back("M " + std::to_string(m.line) + ":" + std::to_string(m.column) + " " + m.message);
    return out;
}

struct scan_case {
    const char* name;
    std::string text;
    std::vector<std::string> found;
};

void check(const std::vector<scan_case>& cases) {
    for (const scan_case& c : cases) EXPECT_EQ(scanned(c.text), c.found) << c.name;
}

TEST(JustifyComments, WellFormed) {
    check({
        {"defaults", "// kyv-justify R : why", {"J 1:1 R 0 - why"}},
        {"all options", "x; /* kyv-justify 12 5 all : a reason */", {"J 1:4 12 5 all a reason"}},
        {"everywhere", "// kyv-justify MISRA_1 everywhere all: r", {"J 1:1 MISRA_1 -1 all r"}},
        {"label, no blanks", "//kyv-justify label_x:r", {"J 1:1 label_x 0 - r"}},
        {"all without lines", "// kyv-justify R all : r", {"J 1:1 R 0 all r"}},
        {"leading zeros", "// kyv-justify R 007 : r", {"J 1:1 R 7 - r"}},
        {"largest count", "// kyv-justify R 1000000 : r", {"J 1:1 R 1000000 - r"}},
        {"reason trimmed, controls blank", "// kyv-justify R :  a\tb\x01" "c\x7f ", {"J 1:1 R 0 - a b c"}},
        {"colon in reason", "// kyv-justify R : see a:b", {"J 1:1 R 0 - see a:b"}},
        {"block over lines", "/*\n * kyv-justify R 2 : first\n *   second line\n */",
         {"J 1:1 R 2 - first second line"}},
        {"doc block", "/** kyv-justify R : doc */", {"J 1:1 R 0 - doc"}},
        {"second line after code", "int a;\n  int b; // kyv-justify R : r", {"J 2:10 R 0 - r"}},
        {"two in one line", "/* kyv-justify R : r */ f(); // kyv-justify S : s",
         {"J 1:1 R 0 - r", "J 1:30 S 0 - s"}},
        {"open block at the end", "f();\n/* kyv-justify R : open", {"J 2:1 R 0 - open"}},
    });
}

TEST(JustifyComments, MalformedWithPosition) {
    std::string long_rule = "R" + std::string(60, 'x') + "-";
    check({
        {"keyword alone", "x;\n   // kyv-justify", {"M 2:4 justification without a rule"}},
        {"no rule", "// kyv-justify : r", {"M 1:1 justification without a rule"}},
        {"rule not a word", "/* kyv-justify R-1 : r */", {"M 1:1 justification rule is not a word: 'R-1'"}},
        {"long word cut", "// kyv-justify " + long_rule + " : r",
         {"M 1:1 justification rule is not a word: '" + long_rule.substr(0, 40) + "...'"}},
        {"count not a number", "// kyv-justify R x : r", {"M 1:1 justification line count is not a number: 'x'"}},
        {"count too large", "// kyv-justify R 1000001 : r",
         {"M 1:1 justification line count is over 1000000: '1000001'"}},
        {"count past any integer", "// kyv-justify R 99999999999999999999999 : r",
         {"M 1:1 justification line count is over 1000000: '99999999999999999999999'"}},
        {"two ranges", "// kyv-justify R 3 everywhere : r",
         {"M 1:1 justification has an unexpected word before ':': 'everywhere'"}},
        {"range after all", "// kyv-justify R all 3 : r",
         {"M 1:1 justification has an unexpected word before ':': '3'"}},
        {"no colon", "// kyv-justify R", {"M 1:1 justification without ':' and a reason"}},
        {"blank reason", "// kyv-justify R :  \t ", {"M 1:1 justification without a reason after ':'"}},
        {"two in one comment", "/* kyv-justify A : x\n   kyv-justify B : y */",
         {"M 1:1 more than one justification in one comment"}},
        {"open block malformed", "/* kyv-justify", {"M 1:1 justification without a rule"}},
    });
}

TEST(JustifyComments, OtherTextIsNoJustification) {
    check({
        {"keyword glued to a word", "// kyv-justifyX R : r", {}},
        {"keyword not first", "// note: kyv-justify R : r", {}},
        {"other case", "// KYV-JUSTIFY R : r", {}},
        {"in a string", "s = \"// kyv-justify R : r\";", {}},
        {"after an escaped quote", "s = \"a\\\"b /* kyv-justify R : r */\";", {}},
        {"line comment in a block", "/* // kyv-justify R : r */", {}},
        {"block in a continued line comment", "// note \\\n /* kyv-justify R : r */", {}},
        {"not a comment", "a = b / *p; // plain", {}},
    });
}

TEST(JustifyComments, LiteralsAndJoinedLines) {
    check({
        {"quote in a character literal", "c = '\"'; // kyv-justify R : r", {"J 1:10 R 0 - r"}},
        {"escaped quote in a character literal", "c = '\\''; /* kyv-justify R : r */", {"J 1:11 R 0 - r"}},
        {"open string ends at its line", "s = \"abc\n// kyv-justify R : r", {"J 2:1 R 0 - r"}},
        {"digit separator", "x = 1'000; // kyv-justify R : r", {"J 1:12 R 0 - r"}},
        {"prefixed literal", "c = L'/'; // kyv-justify R : r", {"J 1:11 R 0 - r"}},
        {"line comment continued", "// kyv-justify R : first \\\nsecond\n// kyv-justify S : t",
         {"J 1:1 R 0 - first second", "J 3:1 S 0 - t"}},
        {"continued with CR LF", "// kyv-justify R : a \\\r\nb", {"J 1:1 R 0 - a b"}},
        {"joined keyword", "// kyv-jus\\\ntify R : r", {"J 1:1 R 0 - r"}},
        {"joined slashes", "x /\\\n/ kyv-justify R : r", {"J 1:3 R 0 - r"}},
        {"position after joins", "a \\\n\\\nb // kyv-justify R : r", {"J 3:3 R 0 - r"}},
        {"block over lines before", "/* a\nb */ // kyv-justify R : r", {"J 2:6 R 0 - r"}},
        {"string continued by a join", "s = \"a\\\n// kyv-justify R : r\";", {}},
    });
}

TEST(JustifyComments, NulBytesAreOrdinary) {
    check({
        {"in the reason", std::string("// kyv-justify R : a\0b", 22), {"J 1:1 R 0 - a b"}},
        {"in code before", std::string("x\0y; // kyv-justify R : r", 25), {"J 1:6 R 0 - r"}},
        {"in a string", std::string("\"\0// kyv-justify R : r\"", 23), {}},
    });
    EXPECT_TRUE(scan_justifications(nullptr, 0).justifications.empty());
}

}  // namespace
