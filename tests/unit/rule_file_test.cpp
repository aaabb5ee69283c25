#include "parse/rule_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "model/rule_focus.h"
#include "parse/lexer.h"
#include "rules/rule_catalogue.h"

namespace {

// The catalogue is process-wide: each test starts from the state it finds
// and puts it back, so the rules it configures do not leak into other tests.
// Configured texts live in the arena and stay reachable.
class RuleFile : public ::testing::Test {
protected:
    void SetUp() override {
        saved_table.assign(rule_table, rule_table + RULE_COUNT);
        saved_length = significant_length;
        saved_map.assign(confusion_map, confusion_map + 256);
    }
    void TearDown() override {
        std::copy(saved_table.begin(), saved_table.end(), rule_table);
        significant_length = saved_length;
        std::copy(saved_map.begin(), saved_map.end(), confusion_map);
        unsetenv("YYDEBUG");
    }
    std::vector<rule_entry> saved_table;
    std::int32_t saved_length = 0;
    std::vector<unsigned char> saved_map;
};

struct run_output {
    std::string out;
    std::string err;
};

std::string write_temporary(const std::string& contents) {
    static int serial = 0;
    // Test processes run in parallel: the process id keeps their files apart.
    std::string path = testing::TempDir() + "rule_file_test_" + std::to_string(getpid()) + "_" +
                       std::to_string(++serial) + ".xml";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    EXPECT_NE(file, nullptr) << path;
    if (file) {
        std::fwrite(contents.data(), 1, contents.size(), file);
        std::fclose(file);
    }
    return path;
}

// Reads `contents` as a configuration file the way the driver does; the
// file's path reads @FILE@ in the output.
run_output read_configuration(const std::string& contents) {
    std::string path = write_temporary(contents);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    read_rule_file(path.c_str());
    std::fflush(stdout);
    std::fflush(stderr);
    run_output result{testing::internal::GetCapturedStdout(),
                      testing::internal::GetCapturedStderr()};
    std::remove(path.c_str());
    for (std::string* text : {&result.out, &result.err}) {
        for (std::size_t at; (at = text->find(path)) != std::string::npos;)
            text->replace(at, path.size(), "@FILE@");
    }
    return result;
}

const std::string declaration = "<?xml version=\"1.0\"?>\n";

const rule_entry& rule(const char* identifier) {
    const rule_entry* entry = rule_by_identifier(identifier);
    EXPECT_NE(entry, nullptr) << identifier;
    static const rule_entry none{};
    return entry ? *entry : none;
}

int configured_count() {
    return static_cast<int>(std::count_if(rule_table, rule_table + RULE_COUNT,
                                          [](const rule_entry& e) { return e.configured != 0; }));
}

TEST_F(RuleFile, EmptyGroupConfiguresNothing) {
    run_output result = read_configuration(declaration + "<group label=\"A\"></group>\n");
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(configured_count(), 0);
    EXPECT_EQ(active_vocabulary, vocabulary::xob);
    EXPECT_STREQ(current_file_name(), "");
}

TEST_F(RuleFile, RuleLineConfiguresItsRule) {
    run_output result = read_configuration(declaration +
                                           "<group label=\"Naming\">\n"
                                           "  <rule name=\"kyv_50_12\" label=\"typo\" severity=\" "
                                           "+1x\" repeat=\"0\" errmsg=\"Typo '%name%'\"/>\n"
                                           "  <rule param=\"8\" colour=\"red\" name=\"KYV_50_10\"/>\n"
                                           "</group>\n");
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "");
    const rule_entry& typo = rule("KYV_50_12");
    EXPECT_EQ(typo.configured, 1);
    EXPECT_STREQ(typo.label, "typo");
    EXPECT_EQ(typo.severity, 1);
    EXPECT_EQ(typo.repeat, 0);
    EXPECT_STREQ(typo.errmsg, "Typo '%name%'");
    EXPECT_STREQ(typo.group, "Naming");
    const rule_entry& length = rule("KYV_50_10");
    EXPECT_STREQ(length.label, "");
    EXPECT_EQ(length.repeat, -1);
    EXPECT_STREQ(length.errmsg, "");
    EXPECT_EQ(significant_length, 8);
    EXPECT_EQ(configured_count(), 2);
}

TEST_F(RuleFile, NestedGroupsGiveTheInnermostLabel) {
    run_output result = read_configuration(
        declaration +
        "<group label=\"A\"><rule name=\"KYV_50_12\"/><group label=\"B\"><rule name=\"KYV_50_20\"/>"
        "</group><rule name=\"KYV_50_30\"/><group colour=\"no label\"><rule name=\"KYV_50_40\"/></>"
        "<rule name=\"KYV_50_50\"/></anything>\n");
    EXPECT_EQ(result.out, "");
    EXPECT_STREQ(rule("KYV_50_12").group, "A");
    EXPECT_STREQ(rule("KYV_50_20").group, "B");
    EXPECT_STREQ(rule("KYV_50_30").group, "A");
    EXPECT_STREQ(rule("KYV_50_40").group, "");
    EXPECT_STREQ(rule("KYV_50_50").group, "A");
}

TEST_F(RuleFile, RepeatedOptionKeepsTheFirstValue) {
    run_output result = read_configuration(
        declaration +
        "<group label=\"A\" label=\"B\">\n"
        "<rule name=\"KYV_50_12\" severity=\"1\" severity=\"2\" repeat=\"1\" repeat=\"0\"\n"
        "      label=\"L\" label=\"M\" errmsg=\"E\" errmsg=\"F\" param=\"P\" param=\"Q\"/>\n"
        "<rule name=\"KYV_50_20\" name=\"KYV_50_30\"/>\n"
        "</group>\n");
    EXPECT_EQ(result.err,
              "LABEL option already set\n"
              "SEVERITY option already set\n"
              "REPEAT option already set\n"
              "LABEL option already set\n"
              "ERRMSG option already set\n"
              "PARAM option already set\n"
              "NAME option already set\n");
    EXPECT_EQ(result.out, "");
    const rule_entry& first = rule("KYV_50_12");
    EXPECT_EQ(first.severity, 1);
    EXPECT_EQ(first.repeat, 1);
    EXPECT_STREQ(first.label, "L");
    EXPECT_STREQ(first.errmsg, "E");
    EXPECT_STREQ(first.param, "P");
    EXPECT_STREQ(first.group, "A");
    EXPECT_EQ(rule("KYV_50_20").configured, 1);
    EXPECT_EQ(rule("KYV_50_30").configured, 0);
}

// An empty text or a negative number does not count as given.
TEST_F(RuleFile, EmptyOrNegativeOptionCanBeGivenAgain) {
    run_output result = read_configuration(
        declaration +
        "<group label=\"\" label=\"G\"><rule name=\"\" name=\"KYV_50_12\" label=\"\" label=\"L\" "
        "severity=\"-1\" severity=\"0\" repeat=\"-5\" repeat=\"2\"/></group>");
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out, "");
    const rule_entry& entry = rule("KYV_50_12");
    EXPECT_STREQ(entry.label, "L");
    EXPECT_EQ(entry.severity, 0);
    EXPECT_EQ(entry.repeat, 2);
    EXPECT_STREQ(entry.group, "G");
}

struct syntax_case {
    const char* what;
    std::string body;  // after the declaration line
    const char* message;
};

// Each syntax error is reported once, at the token where it arose.
TEST_F(RuleFile, SyntaxErrors) {
    const std::vector<syntax_case> cases = {
        {"group without attributes", "<group><rule name=\"KYV_50_12\"/></group>",
         "error in config file @FILE@ line 1 !!! > !!!\n"},
        {"rule without attributes", "<group label=\"A\">\n<rule/>\n</group>",
         "error in config file @FILE@ line 2 !!! /> !!!\n"},
        {"rule attribute on a group", "<group severity=\"1\"></group>",
         "error in config file @FILE@ line 1 !!! severity !!!\n"},
        {"element outside the vocabulary", "<group label=\"A\"><note/></group>",
         "error in config file @FILE@ line 1 !!! <note !!!\n"},
        {"wrong close tag", "<group label=\"A\"></rule>",
         "error in config file @FILE@ line 1 !!! </rule> !!!\n"},
        {"end of input inside a group", "<group label=\"A\">\n<!-- unclosed",
         "error in config file @FILE@ line 2 !!!  !!!\n"},
        {"a group that is not the first element", "<rule name=\"KYV_50_12\"/>",
         "error in config file @FILE@ line 1 !!! <rule !!!\n"},
        {"a second top-level group", "<group label=\"A\"></group>\n<group label=\"B\"></group>",
         "error in config file @FILE@ line 2 !!! <group !!!\n"},
    };
    EXPECT_EQ(read_configuration("").out, "error in config file @FILE@ line 0 !!!  !!!\n");
    for (const syntax_case& c : cases) {
        run_output result = read_configuration(declaration + c.body);
        EXPECT_EQ(result.out, c.message) << c.what;
        EXPECT_EQ(result.err, "") << c.what;
    }
}

// The first syntax error ends the parse; rules read before it stay.
TEST_F(RuleFile, RulesBeforeASyntaxErrorStayConfigured) {
    run_output result = read_configuration(declaration +
                                           "<group label=\"A\">\n<rule name=\"KYV_50_12\"/>\n<rule "
                                           "name=\"KYV_50_20\" label=\"L\"></rule>\n"
                                           "<rule name=\"KYV_50_30\"/>\n</group>\n");
    EXPECT_EQ(result.out, "error in config file @FILE@ line 3 !!! > !!!\n");
    EXPECT_EQ(rule("KYV_50_12").configured, 1);
    EXPECT_EQ(rule("KYV_50_20").configured, 0);
    EXPECT_EQ(rule("KYV_50_30").configured, 0);
}

// Values are taken whole, whatever their length.
TEST_F(RuleFile, LongValuesAreKeptWhole) {
    std::string label(5000, 'g');
    std::string errmsg(100000, 'm');
    std::string param(3000, '9');
    run_output result = read_configuration(
        declaration + "<group label=\"" + label + "\"><rule name=\"KYV_50_12\" label=\"" + label +
        "x\" errmsg=\"" + errmsg + "\" param=\"" + param + "\"/></group>");
    EXPECT_EQ(result.out, "");
    const rule_entry& entry = rule("KYV_50_12");
    EXPECT_EQ(std::string(entry.group), label);
    EXPECT_EQ(std::string(entry.label), label + "x");
    EXPECT_EQ(std::string(entry.errmsg), errmsg);
    EXPECT_EQ(std::string(entry.param), param);
}

// Groups nest as deep as the parser stack allows, well beyond 80.
TEST_F(RuleFile, DeepGroupsKeepEveryLabel) {
    const int depth = 300;
    std::string body;
    for (int level = 1; level <= depth; ++level)
        body += "<group label=\"L" + std::to_string(level) + "\">";
    body += "<rule name=\"KYV_50_12\"/>";
    for (int level = depth; level >= 2; --level) {
        if (level == 100) body += "<rule name=\"KYV_50_20\"/>";
        body += "</group>";
    }
    body += "<rule name=\"KYV_50_30\"/></group>";
    run_output result = read_configuration(declaration + body);
    EXPECT_EQ(result.out, "");
    EXPECT_STREQ(rule("KYV_50_12").group, "L300");
    EXPECT_STREQ(rule("KYV_50_20").group, "L100");
    EXPECT_STREQ(rule("KYV_50_30").group, "L1");
}

// Nesting that needs more than 10,000 stack entries ends like a syntax error.
TEST_F(RuleFile, StackLimitEndsTheParse) {
    std::string body = "<group label=\"outer\"><rule name=\"KYV_50_12\"/>";
    for (int level = 0; level < 3000; ++level) body += "\n<group label=\"x\">";
    run_output result = read_configuration(declaration + body);
    std::smatch match;
    ASSERT_TRUE(std::regex_match(
        result.out, match, std::regex("error in config file @FILE@ line ([0-9]+) !!! (.*) !!!\n")))
        << result.out;
    int line = std::stoi(match[1]);
    EXPECT_GT(line, 2400);
    EXPECT_LT(line, 2600);
    EXPECT_EQ(rule("KYV_50_12").configured, 1);
    EXPECT_STREQ(rule("KYV_50_12").group, "outer");
}

TEST_F(RuleFile, NulBytesDoNotStopTheReader) {
    const std::string nul(1, '\0');
    run_output result =
        read_configuration(declaration + "<group label=\"A" + nul +
                           "B\"><rule name=\"KYV_50_12\" errmsg=\"x" + nul + "y\"/></group>");
    EXPECT_EQ(result.out, "");
    EXPECT_STREQ(rule("KYV_50_12").group, "A");
    EXPECT_STREQ(rule("KYV_50_12").errmsg, "x");
    run_output in_tag = read_configuration(declaration + "<group " + nul + " label=\"A\"></group>");
    EXPECT_EQ(in_tag.out, "error in config file @FILE@ line 1 !!!  !!!\n");
}

// The focus attribute, outside the specified vocabulary, is kept for the
// rule a line configures and ignored like any other unknown attribute
// elsewhere: on a group, on a rule set already, a second time on a line.
TEST_F(RuleFile, FocusAttributeOfARuleLine) {
    run_output result = read_configuration(
        declaration + "<group label=\"A\" focus=\"g\">"
                      "<rule name=\"KYV_50_10\" focus=\"visible\" colour=\"red\" focus=\"x\"/>"
                      "<rule name=\"KYV_50_11\" param=\"0O\"/>"
                      "<rule name=\"KYV_50_11\" focus=\"visible\"/>"
                      "<rule colour=\"blue\" name=\"KYV_50_12\" param=\"p\"/></group>");
    EXPECT_EQ(result.err, "");
    EXPECT_STREQ(rule("KYV_50_10").focus, "visible");
    EXPECT_STREQ(rule("KYV_50_10").param, nullptr);  // set by the finalisation only
    EXPECT_EQ(rule("KYV_50_11").focus, nullptr);
    EXPECT_STREQ(rule("KYV_50_11").param, "0O");
    EXPECT_EQ(rule("KYV_50_12").focus, nullptr);
    EXPECT_STREQ(rule("KYV_50_12").param, "p");
}

// The grammar's %token list must number the tokens as the lexer does.
TEST(ConfGrammar, TokenNumbersAgreeWithTheLexer) {
    for (int code = 0; code <= PARAM + 3; ++code) {
        if (code == 256) continue;  // the parser's own error token
        EXPECT_STREQ(conf_token_name(code), token_name(vocabulary::configuration, code)) << code;
    }
    EXPECT_STREQ(conf_token_name(NUL_CHARACTER_TOKEN), "illegal-symbol");
    EXPECT_STREQ(conf_token_name(STAGGROUP), "STAGGROUP");
    EXPECT_STREQ(conf_token_name(PARAM), "PARAM");
}

// A YYDEBUG that is not a digit, or a 0, leaves the trace off.
TEST_F(RuleFile, TraceOffUnlessYydebugStartsWithANonZeroDigit) {
    for (const char* value : {"0", "x1", ""}) {
        setenv("YYDEBUG", "1", 1);
        read_configuration(declaration + "<group label=\"A\"></group>");
        setenv("YYDEBUG", value, 1);
        EXPECT_EQ(read_configuration(declaration + "<group label=\"A\"></group>").out, "") << value;
    }
}

// A rule line replaces a rule's message, group, label and repeat value: the
// shipped focused profile must restate them exactly and change only the
// parameters, each to the words of focused modes.
TEST_F(RuleFile, ShippedFocusedProfileChangesOnlyParameters) {
    std::ifstream file(FOCUSED_PROFILE);
    ASSERT_TRUE(file) << FOCUSED_PROFILE;
    std::stringstream contents;
    contents << file.rdbuf();
    run_output result = read_configuration(contents.str());
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(configured_count(), 9);
    for (int number = 0; number < RULE_COUNT; ++number) {
        const rule_entry& now = rule_table[number];
        const rule_entry& built_in = saved_table[number];
        if (!now.configured) continue;
        EXPECT_STREQ(now.errmsg, built_in.errmsg) << now.identifier;
        EXPECT_STREQ(now.group, built_in.group) << now.identifier;
        EXPECT_STREQ(now.label, built_in.label) << now.identifier;
        EXPECT_EQ(now.repeat, built_in.repeat) << now.identifier;
        EXPECT_EQ(now.severity, built_in.severity) << now.identifier;
    }
    for (focus_mode mode : {focus_mode::reuse_outer, focus_mode::redefinition_global,
                            focus_mode::hiding_visible, focus_mode::recursion_all,
                            focus_mode::recursion_calls, focus_mode::file_level_use,
                            focus_mode::entry_points, focus_mode::prefix_visible,
                            focus_mode::look_alike_visible, focus_mode::repeated_visible,
                            focus_mode::typedef_visible})
        EXPECT_TRUE(focus_on(mode)) << static_cast<int>(mode);
}

}  // namespace
