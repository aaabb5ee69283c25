#include "report/trap_message.h"

#include <gtest/gtest.h>

#include <string>

#include "captured_stream.h"
#include "report/console_line.h"

namespace {

trap_message message_of(const char* message_template, const trap_names& names,
                        const char* second_path = "?", int second_line = 0, int second_row = 0) {
    return trap_message{message_template, "/src/f.c", second_path, second_line, second_row,
                        names,            "31"};
}

std::string in_report(const trap_message& message) {
    captured_stream out;
    write_trap_message(out.stream(), message);
    return out.text();
}

std::string on_console(const trap_message& message) {
    captured_stream out;
    print_trap_message(out.stream(), message);
    return out.text();
}

const char* const ONE_NAME[] = {"f"};
const char* const TWO_NAMES[] = {"r", "p"};
const char* const NO_FIRST[] = {"??", "q"};
const char* const EMPTY_FIRST[] = {"", "q"};

}  // namespace

TEST(TrapMessage, NamesStandBetweenApostrophesAndMissingOnesReadQuestionMarks) {
    const char* recursive = "The function '%name%' is recursive when calling '%name%'.";
    EXPECT_EQ(in_report(message_of(recursive, {2, TWO_NAMES})),
              "The function ''r'' is recursive when calling ''p''.");
    EXPECT_EQ(in_report(message_of(recursive, {1, ONE_NAME})),
              "The function ''f'' is recursive when calling ''?\?''.");
    EXPECT_EQ(in_report(message_of(recursive, {2, NO_FIRST})),
              "The function ''?\?'' is recursive when calling ''q''.");
    // An empty name does not advance: the second placeholder meets it again.
    EXPECT_EQ(in_report(message_of(recursive, {2, EMPTY_FIRST})),
              "The function ''?\?'' is recursive when calling ''?\?''.");
    EXPECT_EQ(in_report(message_of("'%name%'", {0, nullptr})), "''?\?''");
}

TEST(TrapMessage, LocationLinksWithoutAPathInTheSameFile) {
    const char* reused = "Name already found in %location%.";
    EXPECT_EQ(in_report(message_of(reused, {0, nullptr}, "/src/f.c", 7, 3)),
              "Name already found in </TEXT>\n<LINK TARGET=\" line 7\">\n"
              "<TEXT STYLE=\"Link\" >/src/f.c line 7</TEXT></LINK>\n<TEXT> row 3 .");
    EXPECT_EQ(in_report(message_of(reused, {0, nullptr}, "/inc/g.h", 12, 0)),
              "Name already found in </TEXT>\n<LINK TARGET=\"/inc/g.h line 12\">\n"
              "<TEXT STYLE=\"Link\" >/inc/g.h line 12</TEXT></LINK>\n<TEXT> .");
    EXPECT_EQ(in_report(message_of("at %location%", {0, nullptr})),
              "at </TEXT>\n<LINK TARGET=\"? line 0\">\n"
              "<TEXT STYLE=\"Link\" >? line 0</TEXT></LINK>\n<TEXT> ");
}

TEST(TrapMessage, ParamAndOtherPercentSignsAndEntities) {
    EXPECT_EQ(in_report(message_of("first '%param%' chars, 100% %nam% &amp; &lt;x&gt;", {0, nullptr})),
              "first '31' chars, 100% %nam% &amp; &lt;x&gt;");
    // A configured template may hold raw markup characters.
    EXPECT_EQ(in_report(message_of("a < b & '%name%'", {1, ONE_NAME})), "a &lt; b &amp; ''f''");
    const char* const markup[] = {"operator<"};
    EXPECT_EQ(in_report(message_of("'%name%'", {1, markup})), "''operator&lt;''");
}

TEST(TrapMessage, ManyPlaceholdersKeepTheTemplateIntact) {
    std::string many;
    const char* names[30];
    std::string expected;
    for (int i = 0; i < 30; ++i) {
        many += "%name%,";
        names[i] = "n";
        expected += "'n',";
    }
    EXPECT_EQ(in_report(message_of(many.c_str(), {30, names})), expected);
}

TEST(TrapMessage, LongTemplatesAndParametersAreExpandedWhole) {
    std::string words(50000, 'w');
    std::string long_template = words + " '%name%' %param% " + words;
    trap_message message = message_of(long_template.c_str(), {1, ONE_NAME});
    message.param = words.c_str();
    EXPECT_EQ(in_report(message), words + " ''f'' " + words + " " + words);
}

TEST(TrapMessage, ConsoleExpansion) {
    const char* recursive = "The function '%name%' is recursive when calling '%name%'.";
    EXPECT_EQ(on_console(message_of(recursive, {2, TWO_NAMES})),
              "The function 'r' is recursive when calling 'p'.");
    // Exhausted list: nothing; no list at all: the placeholder itself.
    EXPECT_EQ(on_console(message_of(recursive, {1, ONE_NAME})),
              "The function 'f' is recursive when calling ''.");
    EXPECT_EQ(on_console(message_of("'%name%'", {0, nullptr})), "'%name%'");
    EXPECT_EQ(on_console(message_of("in %location%!", {0, nullptr}, "/inc/g.h", 12, 5)),
              "in /inc/g.h:12 row 5  !");
    EXPECT_EQ(on_console(message_of("%param% &amp; &lt;&gt; &quot; 5% &", {0, nullptr})),
              "31 & <> &quot; 5% &");
}

TEST(ConsoleLine, PositionIsPaddedToNineCharacters) {
    captured_stream out;
    const char* const names[] = {"f"};
    format_trap_line(out.stream(), "f.c", 12, 5, "KYV_160_20", 2,
                     "Recursive functions are not allowed. The function '%name%' is directly "
                     "recursive.",
                     "?", 0, 0, {1, names}, "");
    EXPECT_EQ(out.text(),
              "[f.c:12:5]     KYV_160_20 Error: Recursive functions are not allowed. The function "
              "'f' is directly recursive.\n");
    captured_stream other;
    format_trap_line(other.stream(), "g.h", 123456, 789, "MyRule", 3, "x", "?", 0, 0, {0, nullptr},
                     "");
    EXPECT_EQ(other.text(), "[g.h:123456:789] MyRule Justified: x\n");
}

TEST(ConsoleLine, LimitFollowsTheSilentLevel) {
    EXPECT_TRUE(console_echo_allowed(-1, 1));
    EXPECT_TRUE(console_echo_allowed(-1, 5000));
    EXPECT_FALSE(console_echo_allowed(0, 1));
    EXPECT_TRUE(console_echo_allowed(2, 1));
    EXPECT_TRUE(console_echo_allowed(2, 2));
    EXPECT_FALSE(console_echo_allowed(2, 3));
}
