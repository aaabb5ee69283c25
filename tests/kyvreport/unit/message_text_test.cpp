#include "kyvreport/message_text.h"

#include <gtest/gtest.h>

TEST(MessageText, ReportTextsReadAsPeopleWriteThem) {
    const struct {
        const char* report;
        const char* root;
        const char* shown;
    } cases[] = {
        {"The function ''main'' is never referenced.", "", "The function 'main' is never referenced."},
        {"The list ,,stdio.h,time.h,, should not be included.", "", "The list stdio.h, time.h should not be included."},
        {"The macro ,,offsetof,, and ,,errno,, .", "", "The macro offsetof and errno."},
        {"An empty list ,,,, stays.", "", "An empty list ,,,, stays."},
        {"Found in /w/src/a.c and /w/srcx/b.c", "/w/src/", "Found in a.c and /w/srcx/b.c"},
        {"hides it in an outer scope : here", "", "hides it in an outer scope: here"},
    };
    for (const auto& c : cases) EXPECT_EQ(people_text(c.report, c.root), c.shown) << c.report;
}

TEST(MessageText, TheSecondPositionBecomesALinkAndOtherBracketsAreEscaped) {
    trap_node trap;
    trap.rule = "KYV_50_20";
    trap.message = "Identifier ''a[i]'' hides ... : /w/x.c line 3 row 4 .";
    trap.related = {true, "/w/x.c", 3, 4};
    trap.before_link = "Identifier ''a[i]'' hides ... :";
    trap.after_link = " .";
    const shown_message shown = show_message(trap, "x.c", "/w/");
    EXPECT_EQ(shown.plain, "Identifier 'a[i]' hides ...: x.c line 3 row 4.");
    EXPECT_EQ(shown.sarif, "Identifier 'a\\[i\\]' hides ...: [x.c line 3 row 4](1).");
    trap.related.row = 0;
    trap.before_link = "";
    trap.after_link = " is the first";
    EXPECT_EQ(show_message(trap, "x.c", "").sarif, "[x.c line 3](1) is the first");
    trap.message = "";
    EXPECT_EQ(show_message(trap, "x.c", "").sarif, "KYV_50_20");
}
