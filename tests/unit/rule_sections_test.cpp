#include "report/rule_sections.h"

#include <gtest/gtest.h>

#include <string>

#include "captured_stream.h"
#include "report/report_writer.h"

namespace {

class RuleSections : public ::testing::Test {
protected:
    void SetUp() override {
        report_stream = out.stream();
        rule_statistics = keyed_tree();
    }
    void TearDown() override { report_stream = nullptr; }
    captured_stream out;
};

}  // namespace

TEST_F(RuleSections, StatisticsByDescendingHitsThenDescendingNumber) {
    // Added in rule-number order, as the catalogue visits them.
    add_rule_statistic({0, 2, "KYV_10_10", "unused"});
    add_rule_statistic({5, 2, "KYV_40_10", "twelve"});
    add_rule_statistic({5, 1, "KYV_80_10", "forty"});
    add_rule_statistic({7, 2, "KYV_120_10", "seven hits"});
    add_rule_statistic({0, 1, "KYV_990_10", "unused too"});
    write_rule_statistics();
    std::string report = out.text();
    std::size_t seven = report.find("seven hits");
    std::size_t forty = report.find("forty");
    std::size_t twelve = report.find("twelve");
    ASSERT_NE(seven, std::string::npos);
    EXPECT_LT(seven, forty);
    EXPECT_LT(forty, twelve);
    EXPECT_EQ(report.find("unused"), std::string::npos);
    EXPECT_NE(report.find("<ROW STYLE=\"Array\">\n<CELL><PARAGRAPH ALIGN=\"RIGHT\">\n"
                          "<TEXT  >5   </TEXT>\n</PARAGRAPH></CELL>\n"
                          "<CELL_TEXT  > KYV_80_10</CELL_TEXT>\n<CELL>\n"
                          "<IMAGE NAME=\"pvi_warning.xpm\" />\n<TEXT > forty</TEXT>\n"
                          "</CELL>\n</ROW>\n"),
              std::string::npos);
    EXPECT_NE(report.find("<TABLE WIDTH=\"7,13,80\" BORDER=\"1\">"), std::string::npos);
    EXPECT_EQ(statistics_open, 0);
}

TEST_F(RuleSections, EmptySectionsSayAllIsWell) {
    add_rule_statistic({0, 2, "KYV_10_10", "unused"});
    close_deactivated_rules();
    write_rule_statistics();
    EXPECT_EQ(out.text(),
              "<XROD:NODE name=\"desactivated rules\" type=\"desactivated rules\" "
              "icone=\"pvi_info.xpm\">\n<SECTION TAG=\"ccR2\">\n<TEXT> </TEXT>\n"
              "<TABLE BORDER=\"1\">\n<ROW STYLE=\"Array Title\">\n"
              "<CELL>\n<PARAGRAPH ALIGN=\"CENTER\">\n<TEXT >All rules are active</TEXT>\n"
              "</PARAGRAPH>\n</CELL>\n</ROW>\n"
              "</TABLE>\n<TEXT> </TEXT>\n</SECTION>\n</XROD:NODE>\n"
              "<XROD:NODE name=\"rules statistics\" type=\"rules statistics\" "
              "icone=\"pvi_info.xpm\">\n<SECTION TAG=\"ccR3\">\n<TEXT> </TEXT>\n"
              "<TABLE WIDTH=\"10,15,75\" BORDER=\"1\">\n<ROW STYLE=\"Array Title\">\n"
              "<CELL COLSPAN=\"2\">\n<PARAGRAPH ALIGN=\"CENTER\">\n<TEXT >Rules statistics</TEXT>\n"
              "</PARAGRAPH>\n</CELL>\n</ROW>\n"
              "<ROW STYLE=\"Array Title\">\n<CELL COLSPAN=\"2\">\n<PARAGRAPH ALIGN=\"CENTER\">\n"
              "<TEXT >No occurences of any rules</TEXT>\n</PARAGRAPH>\n</CELL>\n</ROW>\n"
              "</TABLE>\n<TEXT> </TEXT>\n</SECTION>\n</XROD:NODE>\n");
}

TEST_F(RuleSections, DeactivatedRulesAreListedWithTheirTemplates) {
    write_deactivated_rule("KYV_50_10", "Identifiers '%name%' &amp; <x>");
    write_deactivated_rule("MyLabel", "m");
    close_deactivated_rules();
    std::string report = out.text();
    EXPECT_NE(report.find("<TABLE WIDTH=\"20,80\" BORDER=\"1\">\n<ROW STYLE=\"Array Title\">\n"
                          "<CELL COLSPAN=\"1\">\n<PARAGRAPH ALIGN=\"CENTER\">\n"
                          "<TEXT >Desactivated rules</TEXT>\n</PARAGRAPH>\n</CELL>\n</ROW>\n"
                          "<ROW STYLE=\"Array\">\n<CELL_TEXT STYLE=\"Array\" >KYV_50_10</CELL_TEXT>\n"
                          "<CELL_TEXT STYLE=\"Array\" >Identifiers '%name%' &amp; &lt;x></CELL_TEXT>\n"
                          "</ROW>\n"),
              std::string::npos);
    EXPECT_EQ(report.find("All rules are active"), std::string::npos);
    EXPECT_EQ(deactivated_open, 0);
}
