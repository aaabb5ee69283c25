#include "kyvreport/rule_help.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>

#include "kyvreport/rule_help_text.h"
#include "rules/link_stage_rules.h"
#include "rules/rule_catalogue.h"

namespace {

const std::string DOCUMENT = "file:///doc/rules.html";

std::string read_all(const char* path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

// Every rule of the catalogue gets readable texts: no placeholder or entity
// left, a sentence, a name of letters and digits, the rule named in its help.
TEST(RuleHelp, EveryCatalogueRuleReadsAsPlainWords) {
    for (const rule_entry& entry : rule_table) {
        rule_row row;
        row.id = entry.identifier;
        row.group = entry.group;
        const rule_description about = describe_rule(row, DOCUMENT);
        SCOPED_TRACE(row.id);
        EXPECT_EQ(about.short_text.find('%'), std::string::npos) << about.short_text;
        EXPECT_EQ(about.short_text.find("&amp;"), std::string::npos);
        EXPECT_EQ(about.short_text.find("&lt;"), std::string::npos);
        ASSERT_FALSE(about.short_text.empty());
        EXPECT_EQ(about.short_text.back(), '.');
        ASSERT_FALSE(about.name.empty());
        for (char c : about.name) EXPECT_TRUE(std::isalnum(static_cast<unsigned char>(c))) << about.name;
        ASSERT_FALSE(about.full_text.empty());
        EXPECT_EQ(about.full_text.back(), '.');
        EXPECT_NE(about.help_text.find("kyv-justify " + row.id), std::string::npos);
        EXPECT_NE(about.help_markdown.find("kyv-justify " + row.id), std::string::npos);
        EXPECT_EQ(about.help_uri.rfind(DOCUMENT + "#", 0), 0u) << about.help_uri;
        EXPECT_TRUE(std::set<std::string>({"very-high", "high", "medium", "low"}).count(about.precision));
    }
}

TEST(RuleHelp, TemplatesLoseTheirNamesAndALabelledRuleFallsBackToItsGroup) {
    rule_row row;
    row.id = "KYV_50_70";
    row.group = "Identifiers";
    rule_description about = describe_rule(row, DOCUMENT);
    EXPECT_EQ(about.name, "IdentifierReused");
    EXPECT_EQ(about.short_text, "The identifier 'name' should not be reused. Identifier already found in another place.");
    row.id = "KYV_60_10";
    row.group = "Types";
    about = describe_rule(row, DOCUMENT);
    EXPECT_EQ(about.full_text, about.short_text + " Group: Types; level: warning.");
    EXPECT_EQ(about.help_uri, DOCUMENT + "#analyser-rules");
    row.id = row.label = "no-reuse";
    row.group = "Identifiers";
    about = describe_rule(row, DOCUMENT);
    EXPECT_EQ(about.short_text, "Rule no-reuse of the group Identifiers.");
    EXPECT_EQ(about.name, "NoReuse");
}

// Every rule kyvld raises itself has its section in the rules document, with
// every part, and the document holds no section of another rule: a new rule
// without help, or help left behind for a removed one, fails here. The
// anchors helpUri points at exist in the generated document.
TEST(RuleHelp, EveryRuleKyvldRaisesHasItsSectionOfTheDocument) {
    const std::string html = read_all(KYV_RULES_DOCUMENT);
    ASSERT_FALSE(html.empty()) << KYV_RULES_DOCUMENT;
    EXPECT_NE(html.find("id=\"analyser-rules\""), std::string::npos);
    std::set<std::string> raised;
    for (std::int32_t number : LINK_STAGE_RULES) {
        const rule_entry* entry = rule_by_number(number);
        ASSERT_NE(entry, nullptr);
        SCOPED_TRACE(entry->identifier);
        raised.insert(entry->identifier);
        rule_row row;
        row.id = entry->identifier;
        row.group = entry->group;
        const rule_description about = describe_rule(row, DOCUMENT);
        const rule_help_text* help = rule_help_for(entry->identifier);
        ASSERT_NE(help, nullptr) << "no section in doc/rules.md";
        EXPECT_EQ(about.name, help->name);
        EXPECT_EQ(about.full_text, help->full_text);
        EXPECT_EQ(about.help_uri, DOCUMENT + "#" + help->anchor);
        EXPECT_NE(html.find(std::string("id=\"") + help->anchor + "\""), std::string::npos);
        for (const char* part : {"What it finds.", "Why it matters in C.", "How to fix it.", "How to justify it.",
                                 "Focused profile."}) {
            EXPECT_NE(about.help_text.find(part), std::string::npos) << part;
            EXPECT_NE(about.help_markdown.find(std::string("**") + part + "**"), std::string::npos) << part;
        }
        EXPECT_NE(about.help_markdown.find("kyv-justify " + row.id), std::string::npos);
        EXPECT_EQ(about.help_text.find("**"), std::string::npos);
        EXPECT_EQ(about.help_text.find('`'), std::string::npos);
    }
    for (int i = 0; i < RULE_HELP_TEXT_COUNT; ++i)
        EXPECT_TRUE(raised.count(RULE_HELP_TEXTS[i].id)) << RULE_HELP_TEXTS[i].id << " is not raised by kyvld";
}
