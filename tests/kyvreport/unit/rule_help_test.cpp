#include "kyvreport/rule_help.h"

#include <gtest/gtest.h>

#include <set>

#include "rules/rule_catalogue.h"

// Every rule of the catalogue gets readable texts: no placeholder or entity
// left, a sentence, a name of letters and digits, the rule named in its help.
TEST(RuleHelp, EveryCatalogueRuleReadsAsPlainWords) {
    for (const rule_entry& entry : rule_table) {
        rule_row row;
        row.id = entry.identifier;
        row.group = entry.group;
        const rule_description about = describe_rule(row);
        SCOPED_TRACE(row.id);
        EXPECT_EQ(about.short_text.find('%'), std::string::npos) << about.short_text;
        EXPECT_EQ(about.short_text.find("&amp;"), std::string::npos);
        EXPECT_EQ(about.short_text.find("&lt;"), std::string::npos);
        ASSERT_FALSE(about.short_text.empty());
        EXPECT_EQ(about.short_text.back(), '.');
        ASSERT_FALSE(about.name.empty());
        for (char c : about.name) EXPECT_TRUE(std::isalnum(static_cast<unsigned char>(c))) << about.name;
        EXPECT_EQ(about.full_text.rfind(about.short_text, 0), 0u);
        EXPECT_NE(about.help_text.find("kyv-justify " + row.id + " 1 : "), std::string::npos);
        EXPECT_NE(about.help_markdown.find(row.id), std::string::npos);
    }
}

TEST(RuleHelp, TemplatesLoseTheirNamesAndALabelledRuleFallsBackToItsGroup) {
    rule_row row;
    row.id = "KYV_50_70";
    row.group = "Identifiers";
    rule_description about = describe_rule(row);
    EXPECT_EQ(about.name, "IdentifierShouldNotBeReused");
    EXPECT_EQ(about.short_text, "The identifier 'name' should not be reused. Identifier already found in another place.");
    EXPECT_EQ(about.full_text, about.short_text + " Group: Identifiers; level: warning.");
    row.id = row.label = "no-reuse";
    about = describe_rule(row);
    EXPECT_EQ(about.short_text, "Rule no-reuse of the group Identifiers.");
    EXPECT_EQ(about.name, "NoReuse");
}
