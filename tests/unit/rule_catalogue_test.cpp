#include "rules/rule_catalogue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

namespace {

// The catalogue is process-wide. The built-in state is captured during static
// initialisation, before any test can change it; every test that changes the
// catalogue runs in this fixture, which starts from that state and puts back
// whatever state it found, so tests (also those of other units) may run in any
// order and any number of times. The catalogue's texts come from the arena,
// which keeps them reachable, so putting back an older table loses nothing.
struct catalogue_state {
    std::vector<rule_entry> table;
    std::int32_t length;
    std::vector<unsigned char> map;
};

catalogue_state capture() {
    return {std::vector<rule_entry>(rule_table, rule_table + RULE_COUNT), significant_length,
            std::vector<unsigned char>(confusion_map, confusion_map + 256)};
}

void install(const catalogue_state& state) {
    std::copy(state.table.begin(), state.table.end(), rule_table);
    significant_length = state.length;
    std::copy(state.map.begin(), state.map.end(), confusion_map);
}

const catalogue_state built_in = capture();

class RuleCatalogue : public ::testing::Test {
protected:
    void SetUp() override {
        found = capture();
        install(built_in);
    }
    void TearDown() override { install(found); }
    catalogue_state found;
};
// Also the tests that only read run on the built-in state.
using RuleTable = RuleCatalogue;
using RuleNameCompare = RuleCatalogue;
using RuleLookup = RuleCatalogue;
using RuleParameters = RuleCatalogue;

std::string configure_output(const char* name, const char* label, const char* errmsg,
                             const char* param, int severity, int repeat, const char* group) {
    testing::internal::CaptureStdout();
    rule_configure(name, label, errmsg, param, severity, repeat, group);
    return testing::internal::GetCapturedStdout();
}

// The published rule list: group, then identifier suffixes with severities.
const char* const published_rules[] = {
    "Code|10_10 2,10_11 2",
    "Environment|10_20 2,10_30 2,10_40 2,10_50 2",
    "Language extensions|20_10 2,20_20 2,20_30 2,20_40 1",
    "Documentation|30_10 2,30_20 2,30_30 2,30_40 2,30_50 2,30_60 2",
    "Character sets|40_10 2,40_11 2,40_20 2",
    "Identifiers|50_10 2,50_11 2,50_12 2,50_20 2,50_30 2,50_40 2,50_50 1,50_60 1,50_70 1",
    "Types|60_10 2,60_20 2,60_30 1,60_31 1,60_40 2,60_50 2",
    "Constants|70_10 2",
    "Declarations and definitions|80_10 2,80_11 2,80_20 2,80_30 2,80_40 2,80_50 2,80_51 2,"
    "80_60 2,80_70 2,80_80 2,80_81 2,80_82 2,80_90 2,80_91 2,80_100 2,80_110 2,80_120 2,80_500 1",
    "Initialization|90_10 2,90_20 2,90_30 2,90_100 2",
    "Arithmetic type conversions|100_10 2,100_11 2,100_20 2,100_30 2,100_40 2,100_50 2,100_60 2",
    "Pointer type conversions|110_10 2,110_20 2,110_30 1,110_40 1,110_41 1,110_50 2",
    "Expressions|120_10 1,120_11 1,120_20 2,120_30 2,120_40 2,120_41 1,120_50 2,120_60 1,"
    "120_61 1,120_70 2,120_80 2,120_90 2,120_100 2,120_110 1,120_120 2,120_130 1,120_510 1,"
    "120_520 2,120_530 2,120_550 2",
    "Control statement expressions|130_10 2,130_11 2,130_20 1,130_30 2,130_40 2,130_50 2,"
    "130_60 2,130_70 2",
    "Control flow|140_10 2,140_20 2,140_30 2,140_40 2,140_50 2,140_60 2,140_70 2,140_71 2,"
    "140_80 2,140_81 2,140_82 2,140_83 2,140_90 2,140_91 2,140_92 2,140_100 2",
    "Switch statements|150_10 2,150_20 2,150_30 2,150_31 2,150_40 2,150_41 2,150_50 2,150_100 2",
    "Functions|160_10 2,160_20 2,160_21 2,160_30 2,160_40 2,160_50 2,160_60 2,160_70 1,"
    "160_80 2,160_90 2,160_100 2,160_500 1",
    "Pointers and arrays|170_10 2,170_20 2,170_30 2,170_40 2,170_50 1,170_60 2",
    "Structures and unions|180_10 2,180_20 2,180_30 2,180_40 2",
    "Preprocessing directives|190_10 1,190_20 1,190_30 2,190_40 2,190_50 2,190_60 2,190_70 1,"
    "190_80 2,190_90 2,190_100 2,190_110 2,190_120 2,190_130 1,190_140 2,190_150 2,190_160 2,"
    "190_170 2",
    "Standard libraries|200_10 2,200_20 2,200_30 2,200_40 2,200_50 2,200_60 2,200_90 2,"
    "200_100 2,200_120 2",
    "Run-time failures|210_10 2",
    "user rule|990_10 2",
};

// Rules whose messages are published texts; the others are this program's own.
bool has_published_message(int number) {
    static const int published[] = {0,  1,  19, 20, 21,  22,  23,  25, 27,
                                    45, 46, 47, 48, 123, 124, 133, 171};
    for (int n : published)
        if (n == number) return true;
    return false;
}

bool starts_with(const char* text, const char* prefix) {
    return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

// "&" only as one of the four entities, no raw "<" or ">".
bool is_markup_safe(const std::string& text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '<' || text[i] == '>') return false;
        if (text[i] == '&' && text.compare(i, 5, "&amp;") != 0 && text.compare(i, 4, "&lt;") != 0 &&
            text.compare(i, 4, "&gt;") != 0 && text.compare(i, 6, "&quot;") != 0)
            return false;
    }
    return true;
}

}  // namespace

TEST_F(RuleTable, FollowsThePublishedListInOrder) {
    int number = 0;
    for (const char* line : published_rules) {
        std::string text = line;
        std::string group = text.substr(0, text.find('|'));
        std::stringstream items(text.substr(text.find('|') + 1));
        std::string item;
        while (std::getline(items, item, ',')) {
            ASSERT_LT(number, RULE_COUNT);
            const rule_entry& entry = rule_table[number];
            std::string identifier = "KYV_" + item.substr(0, item.find(' '));
            EXPECT_EQ(entry.number, number);
            EXPECT_STREQ(entry.identifier, identifier.c_str()) << "rule " << number;
            EXPECT_EQ(entry.group, group) << entry.identifier;
            EXPECT_EQ(entry.severity, std::stoi(item.substr(item.find(' ') + 1)))
                << entry.identifier;
            EXPECT_EQ(entry.repeat, number == 31 ? 1 : 0) << entry.identifier;
            ++number;
        }
    }
    EXPECT_EQ(number, RULE_COUNT);
}

TEST_F(RuleTable, IdentifiersFormOneStrictOrderThatTheSearchFinds) {
    for (int i = 0; i < RULE_COUNT; ++i) {
        for (int j = i + 1; j < RULE_COUNT; ++j) {
            ASSERT_EQ(rule_name_compare(rule_table[i].identifier, rule_table[j].identifier), -1)
                << rule_table[i].identifier << " against " << rule_table[j].identifier;
            ASSERT_EQ(rule_name_compare(rule_table[j].identifier, rule_table[i].identifier), 1);
        }
        std::string lower = rule_table[i].identifier;
        for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        EXPECT_EQ(rule_by_identifier(rule_table[i].identifier), &rule_table[i]);
        EXPECT_EQ(rule_by_identifier(lower.c_str()), &rule_table[i]);
        EXPECT_EQ(rule_by_number(i), &rule_table[i]);
    }
}

TEST_F(RuleTable, MessagesFollowTheirConventions) {
    int own = 0, naming = 0, not_implemented = 0;
    for (const rule_entry& entry : rule_table) {
        std::string message = entry.errmsg;
        EXPECT_TRUE(is_markup_safe(message)) << entry.identifier;
        EXPECT_STREQ(entry.label, "");
        EXPECT_STREQ(entry.rule_comment, "");
        EXPECT_EQ(entry.param, nullptr);
        if (has_published_message(entry.number)) continue;
        ++own;
        EXPECT_EQ(message.back(), '.') << entry.identifier;
        if (message.find("%name%") != std::string::npos) ++naming;
        if (starts_with(entry.errmsg, "Not yet implemented: ")) ++not_implemented;
    }
    EXPECT_EQ(own, 155);
    EXPECT_EQ(naming, 21);
    EXPECT_EQ(not_implemented, 20);
    EXPECT_STREQ(rule_table[171].errmsg, "%name%");
    EXPECT_STREQ(rule_table[133].errmsg, "The function '%name%' is never referenced.");
}

TEST_F(RuleNameCompare, DigitRunsCompareByValueAndCaseIsIgnored) {
    EXPECT_EQ(rule_name_compare("KYV_20_10", "KYV_100_10"), -1);
    EXPECT_EQ(rule_name_compare("KYV_10_10", "KYV_100_10"), -1);
    EXPECT_EQ(rule_name_compare("KYV_100_10", "KYV_10_10"), 1);
    EXPECT_EQ(rule_name_compare("KYV_80_10", "KYV_80_100"), -1);
    EXPECT_EQ(rule_name_compare("kyv_50_10", "KYV_50_10"), 0);
    EXPECT_EQ(rule_name_compare("KYV_010_10", "KYV_10_40"), 0);  // the number decides alone
    EXPECT_EQ(rule_name_compare("KYV_160_500", "KYV_160_500x"), -1);
    EXPECT_EQ(rule_name_compare("KYV_50_10", "KYV_50_1"), 1);
    EXPECT_EQ(rule_name_compare("", ""), 0);
    EXPECT_EQ(rule_name_compare(nullptr, "A"), -1);
    // Digit runs far beyond any integer type.
    EXPECT_EQ(
        rule_name_compare("KYV_99999999999999999999999999_1", "KYV_99999999999999999999999998_1"),
        1);
    EXPECT_EQ(rule_name_compare("KYV_1_0000000000000000000000000000000000007", "KYV_1_7"), 0);
    // Bytes above 127 sort after ASCII.
    EXPECT_EQ(rule_name_compare("KYV_\xE9", "KYV_Z"), 1);
}

TEST_F(RuleLookup, ByIdentifier) {
    EXPECT_EQ(rule_number_of(rule_by_identifier("kyv_50_10")), 19);
    EXPECT_EQ(rule_number_of(rule_by_identifier("KYV_160_0500")), 133);
    EXPECT_EQ(rule_number_of(rule_by_identifier("KYV_010_10")), 4);
    EXPECT_EQ(rule_by_identifier("KYV_50_1"), nullptr);
    EXPECT_EQ(rule_by_identifier("KYV_160_500x"), nullptr);
    EXPECT_EQ(rule_by_identifier(""), nullptr);
    EXPECT_EQ(rule_by_identifier(nullptr), nullptr);
    EXPECT_EQ(rule_by_identifier("KYV_999999999999999999999_10"), nullptr);
    EXPECT_EQ(rule_number_of(nullptr), 0);
}

TEST_F(RuleLookup, ByNumberOutOfRange) {
    EXPECT_EQ(rule_by_number(-1), nullptr);
    EXPECT_EQ(rule_by_number(RULE_COUNT), nullptr);
    EXPECT_EQ(rule_by_number(INT32_MIN), nullptr);
    EXPECT_EQ(rule_by_number(INT32_MAX), nullptr);
}

TEST_F(RuleLookup, AccessorsOfANumberWithoutRule) {
    for (std::int32_t number : {-1, RULE_COUNT, 500}) {
        EXPECT_STREQ(rule_param(number), "param not found??");
        EXPECT_STREQ(rule_errmsg(number), "??text not found??");
        EXPECT_STREQ(rule_group(number), "");
        EXPECT_STREQ(rule_display_name(number), "UNDEFINED");
        EXPECT_EQ(rule_repeat(number), 0);
        EXPECT_EQ(rule_severity(number), 0);
        EXPECT_EQ(rule_comment(number), nullptr);
        rule_count_hit(number);
    }
    rule_set_comment(nullptr, "ignored");
}

TEST_F(RuleLookup, AccessorsOfABuiltInRule) {
    EXPECT_STREQ(rule_errmsg(1), "ANSI C warning: %name%");
    EXPECT_STREQ(rule_group(171), "user rule");
    EXPECT_STREQ(rule_display_name(133), "KYV_160_500");
    EXPECT_EQ(rule_repeat(31), 1);
    EXPECT_EQ(rule_severity(133), 1);
}

TEST_F(RuleCatalogue, HitsAndRuleWideComment) {
    rule_count_hit(5);
    rule_count_hit(5);
    EXPECT_EQ(rule_table[5].hits, 2);
    rule_table[6].hits = INT32_MAX;
    rule_count_hit(6);
    EXPECT_EQ(rule_table[6].hits, INT32_MAX);

    rule_set_comment(rule_by_number(7), "checked by review");
    EXPECT_STREQ(rule_comment(7), "checked by review");
    rule_set_comment(rule_by_number(7), "");
    EXPECT_EQ(rule_comment(7), nullptr);
}

TEST_F(RuleCatalogue, ByNameMatchesIdentifierOrNonEmptyLabel) {
    configure_output("KYV_140_40", "No_Goto", "", "", -1, -1, "");
    EXPECT_EQ(rule_number_of(rule_by_name("no_goto")), 101);
    EXPECT_EQ(rule_number_of(rule_by_name("kyv_140_40")), 101);
    EXPECT_EQ(rule_by_name("Missing"), nullptr);
    // Rule 0 has an empty label: a justification naming no rule matches nothing.
    EXPECT_EQ(rule_by_name(""), nullptr);
    EXPECT_EQ(rule_by_name(nullptr), nullptr);
    // The first match in number order wins, label or identifier.
    configure_output("KYV_10_50", "KYV_160_10", "", "", -1, -1, "");
    EXPECT_EQ(rule_number_of(rule_by_name("KYV_160_10")), 5);
    EXPECT_EQ(rule_number_of(rule_by_identifier("KYV_160_10")), 122);
}

TEST_F(RuleCatalogue, ConfigureReplacesEveryField) {
    char label[] = "Header";
    EXPECT_EQ(
        configure_output("kyv_30_10", label, "Needs a header &amp; a date.", "x", 1, 0, "Layout"),
        "");
    label[0] = 'X';  // the entry keeps its own copy
    const rule_entry& entry = rule_table[10];
    EXPECT_EQ(entry.configured, 1);
    EXPECT_STREQ(rule_display_name(10), "Header");
    EXPECT_STREQ(rule_errmsg(10), "Needs a header &amp; a date.");
    EXPECT_STREQ(rule_group(10), "Layout");
    EXPECT_STREQ(rule_param(10), "x");
    EXPECT_EQ(rule_severity(10), 1);
    EXPECT_EQ(rule_repeat(10), 0);

    // Options a line does not give still replace the texts and the repeat.
    configure_output("KYV_30_20", "", "", "", -1, -1, "");
    EXPECT_STREQ(rule_display_name(11), "KYV_30_20");
    EXPECT_STREQ(rule_errmsg(11), "");
    EXPECT_STREQ(rule_group(11), "");
    EXPECT_STREQ(rule_param(11), "");
    EXPECT_EQ(rule_repeat(11), -1);
}

TEST_F(RuleCatalogue, SeverityOutsideTheRangeIsBounded) {
    configure_output("KYV_20_40", "", "", "", -1, 0, "");  // built-in warning
    EXPECT_EQ(rule_severity(9), 1);
    EXPECT_EQ(rule_table[9].severity, 1);
    configure_output("KYV_20_30", "", "", "", -7, 0, "");  // built-in error
    EXPECT_EQ(rule_table[8].severity, 2);
    configure_output("KYV_20_20", "", "", "", 9, 0, "");
    EXPECT_EQ(rule_table[7].severity, 2);
    configure_output("KYV_20_10", "", "", "", INT32_MAX, 0, "");
    EXPECT_EQ(rule_table[6].severity, 2);
    configure_output("KYV_10_50", "", "", "", 0, 0, "");
    EXPECT_EQ(rule_severity(5), 0);
}

TEST_F(RuleCatalogue, SecondSettingIsRefused) {
    configure_output("KYV_30_10", "First", "one", "", 1, 0, "A");
    std::string printed = configure_output("KYV_30_10", "Second", "two", "p", 2, 5, "B");
    EXPECT_EQ(printed,
              "rule already set name:  KYV_30_10\n     label: Second\n     errmsg:two\n"
              "     param: p\n     severity:  2\n     repeat:   5\n");
    EXPECT_STREQ(rule_display_name(10), "First");
    EXPECT_STREQ(rule_errmsg(10), "one");
    EXPECT_STREQ(rule_group(10), "A");
    EXPECT_STREQ(rule_param(10), "");
    EXPECT_EQ(rule_severity(10), 1);
    EXPECT_EQ(rule_repeat(10), 0);
}

TEST_F(RuleCatalogue, UnknownRuleIsReported) {
    std::string printed = configure_output("KYV_50_1", "L", "%s%n", "", -1, -1, "G");
    EXPECT_EQ(printed,
              "rule not found name:  KYV_50_1\n     label: L\n     errmsg:%s%n\n"
              "     param: \n     severity:  -1\n     repeat:   -1\n");
    EXPECT_EQ(configure_output("", "", "", "", -1, -1, "").rfind("rule not found name:  \n", 0),
              0u);
    for (const rule_entry& entry : rule_table) EXPECT_EQ(entry.configured, 0);
}

TEST_F(RuleCatalogue, ConfiguredLinkNameLengthSurvivesFinalisation) {
    configure_output("KYV_50_10", "", "", "8", -1, -1, "");
    EXPECT_EQ(significant_length, 8);
    rules_finalise();
    EXPECT_EQ(significant_length, 8);
    EXPECT_STREQ(rule_param(19), "8");
    // The other rules with a parameter get their built-in one.
    EXPECT_STREQ(rule_param(20), "1lI,0O,2Z,5S,nh,NH");
    EXPECT_EQ(confusion_map['I'], '1');
    EXPECT_STREQ(rule_param(165), ",,errno,,");
    EXPECT_STREQ(rule_param(166), ",,offsetof,,");
    EXPECT_EQ(std::string(rule_param(168)).rfind(",,malloc,free,calloc,", 0), 0u);
    EXPECT_STREQ(rule_param(169), ",,stdio.h,time.h,signal.h,,");
    int with_param = 0;
    for (int number = 0; number < RULE_COUNT; ++number) with_param += rule_param(number)[0] != '\0';
    EXPECT_EQ(with_param, 6);
}

TEST_F(RuleCatalogue, EmptyParamLeavesTheBuiltInToFinalisation) {
    significant_length = 5;
    configure_output("KYV_50_10", "", "", "", -1, -1, "");
    EXPECT_EQ(significant_length, 5);
    rules_finalise();
    EXPECT_EQ(significant_length, 31);
    EXPECT_STREQ(rule_param(19), "31");
}

TEST_F(RuleCatalogue, ConfiguredListGoesThroughItsHandler) {
    configure_output("KYV_200_100", "", "", "malloc, free", -1, -1, "");
    rules_finalise();
    EXPECT_STREQ(rule_param(168), ",malloc,free,");
}

TEST_F(RuleCatalogue, VisitSplitsDeactivatedFromActiveRules) {
    static std::vector<std::string> deactivated;
    static std::vector<int> active;
    deactivated.clear();
    active.clear();
    auto on_deactivated = [](const char* name, const char* errmsg) {
        deactivated.push_back(std::string(name) + "|" + errmsg);
    };
    auto on_active = [](rule_entry* entry) { active.push_back(entry->number); };

    rules_visit(on_deactivated, on_active);
    EXPECT_TRUE(deactivated.empty());
    ASSERT_EQ(active.size(), static_cast<std::size_t>(RULE_COUNT));
    for (int i = 0; i < RULE_COUNT; ++i) EXPECT_EQ(active[i], i);

    configure_output("KYV_190_60", "NoUndef", "no #undef", "", 0, 0, "");
    configure_output("KYV_190_50", "", "in block", "", 0, 0, "");
    active.clear();
    rules_visit(on_deactivated, on_active);
    EXPECT_EQ(deactivated, (std::vector<std::string>{"KYV_190_50|in block", "NoUndef|no #undef"}));
    EXPECT_EQ(active.size(), static_cast<std::size_t>(RULE_COUNT - 2));
    rules_visit(nullptr, nullptr);
}

TEST_F(RuleCatalogue, LinkNameLengthHandler) {
    EXPECT_STREQ(define_linknamelength("12"), "12");
    EXPECT_EQ(significant_length, 12);
    define_linknamelength("  +40x");
    EXPECT_EQ(significant_length, 40);
    define_linknamelength("abc");
    EXPECT_EQ(significant_length, 0);
    define_linknamelength("-5");
    EXPECT_EQ(significant_length, 0);
    define_linknamelength("99999999999999999999999");
    EXPECT_EQ(significant_length, INT32_MAX);
}

TEST_F(RuleCatalogue, ConfusionMapOfTheBuiltInParameter) {
    EXPECT_STREQ(define_ambigus_char_set(rule_table[20].default_param), "1lI,0O,2Z,5S,nh,NH");
    const char* const pairs[] = {"11", "l1", "I1", "00", "O0", "22", "Z2",
                                 "55", "S5", "nn", "hn", "NN", "HN"};
    for (int byte = 0; byte < 256; ++byte) {
        int expected = byte;
        for (const char* pair : pairs)
            if (static_cast<unsigned char>(pair[0]) == byte) expected = pair[1];
        EXPECT_EQ(confusion_map[byte], expected) << "byte " << byte;
    }
}

TEST_F(RuleCatalogue, ConfusionMapKeepsTheFirstClassOfACharacter) {
    define_ambigus_char_set("ab,,bc,\xE9\xC9");
    EXPECT_EQ(confusion_map['a'], 'a');
    EXPECT_EQ(confusion_map['b'], 'a');
    EXPECT_EQ(confusion_map['c'], 'b');
    EXPECT_EQ(confusion_map[','], ',');
    EXPECT_EQ(confusion_map[0xC9], 0xE9);
    EXPECT_EQ(confusion_map[0], 0);
    // A second call starts from scratch.
    define_ambigus_char_set("xa");
    EXPECT_EQ(confusion_map['a'], 'x');
    EXPECT_EQ(confusion_map['b'], 'b');
}

TEST_F(RuleParameters, ListDropsBlanksAndTabsBetweenCommas) {
    EXPECT_STREQ(memolistecsv("malloc, free"), ",malloc,free,");
    EXPECT_STREQ(memolistecsv(" a\t,\tb "), ",a,b,");
    EXPECT_STREQ(memolistecsv(",errno,"), ",,errno,,");
    EXPECT_STREQ(memolistecsv(""), ",,");
}
