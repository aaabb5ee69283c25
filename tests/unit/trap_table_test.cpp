#include "model/trap_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "messages/time_text.h"
#include "model_test_support.h"

using namespace model_test;

namespace {

std::int32_t rule_of(const char* identifier) {
    return rule_number_of(rule_by_identifier(identifier));
}

// The reader's source-file events around a block of recording.
void start(const std::string& path, bool system_include = false, std::int32_t date = 0,
           const char* version = nullptr) {
    record_file_start(nullptr, id(path.c_str()), date, system_include,
                      version ? id(version) : nullptr);
}
void finish(const std::string& path) { record_file_end(nullptr, id(path.c_str())); }

// A file date as the file node shows it.
std::string date_of(std::int32_t seconds) {
    std::string text = local_time_text(seconds);
    text.pop_back();  // the line feed
    return text;
}

// "level=N file:line:row" of a trap line.
std::string level_and_place(const std::string& trap) {
    std::size_t from = trap.find("level=");
    return trap.substr(from, trap.find(" second=") - from);
}

using TrapTable = ModelTest;
using Justification = ModelTest;

}  // namespace

TEST_F(TrapTable, SameTrapFromTwoXobFilesIsOne) {
    const std::string header = "/tt/twice/common.h";
    std::int32_t files_before = file_count;
    std::int32_t with_traps_before = files_with_traps;
    for (int unit = 0; unit < 2; ++unit) {
        clear_file_numbers();
        std::int32_t file = source_file(header);
        start(header);
        record_trap_element("KYV_60_10", at(file, 7, 3), id("x"), at(file, 2, 1));
        record_trap_element("KYV_NOT_A_RULE", at(file, 8, 1), id("x"), nullptr);
        finish(header);
        end_xob_file();
    }
    EXPECT_EQ(file_count, files_before + 1);
    EXPECT_EQ(files_with_traps, with_traps_before + 1);
    EXPECT_EQ(traps_for(header),
              std::vector<std::string>{"trap KYV_60_10 level=2 common.h:7:3 "
                                       "second=/tt/twice/common.h:2:1 names=x comment=-"});
}

TEST_F(TrapTable, WalkWritesFilesInPathOrderWithFunctionsAndCounts) {
    std::int32_t b = source_file("/tt/order/b.c");  // registered first, sorts last
    std::int32_t a = source_file("/tt/order/a.c");
    start("/tt/order/b.c");
    record_trap(rule_of("KYV_120_10"), at(b, 3, 1), nullptr, id("w"));
    finish("/tt/order/b.c");
    start("/tt/order/a.c", false, 86400, "v2");
    record_function_start(id("f"), at(a, 10, 1));
    record_trap(rule_of("KYV_60_10"), at(a, 12, 4), nullptr, nullptr);
    record_function_end(id("f"), at(a, 20, 1));
    record_trap(rule_of("KYV_120_10"), at(a, 25, 2), nullptr, nullptr);
    record_trap(rule_of("KYV_120_10"), at(a, 5, 2), nullptr, nullptr);  // late, but sorts early
    finish("/tt/order/a.c");

    EXPECT_EQ(report_for("/tt/order/"),
              (std::vector<std::string>{
                  "file a.c count=3 date=" + date_of(86400) + " version=v2",
                  "trap KYV_120_10 level=1 a.c:5:2 second=?:0:0 names= comment=-",
                  "function f count=1 at /tt/order/a.c:10",
                  "trap KYV_60_10 level=2 a.c:12:4 second=?:0:0 names= comment=-",
                  "close function",
                  "trap KYV_120_10 level=1 a.c:25:2 second=?:0:0 names= comment=-",
                  "close file",
                  "file b.c count=1 date=" + date_of(0) + " version=-",
                  "trap KYV_120_10 level=1 b.c:3:1 second=?:0:0 names=w comment=-",
                  "close file",
              }));
}

TEST_F(TrapTable, RepeatFoldingKeepsTheFirstTrapPerSourceFile) {
    std::int32_t rule = rule_of("KYV_60_31");
    ASSERT_NE(rule_repeat(rule), 0);
    std::int32_t a = source_file("/tt/repeat/a.c");
    std::int32_t b = source_file("/tt/repeat/b.c");
    start("/tt/repeat/a.c");
    for (int line = 1; line <= 5; ++line) record_trap(rule, at(a, line, 1), nullptr, nullptr);
    finish("/tt/repeat/a.c");
    start("/tt/repeat/b.c");
    record_trap(rule, at(b, 9, 1), nullptr, nullptr);
    finish("/tt/repeat/b.c");
    end_xob_file();
    start("/tt/repeat/a.c");  // the same file met again through another xob file
    record_trap(rule, at(a, 7, 1), nullptr, nullptr);
    finish("/tt/repeat/a.c");
    EXPECT_EQ(traps_for("/tt/repeat/"),
              (std::vector<std::string>{
                  "trap KYV_60_31 level=1 a.c:1:1 second=?:0:0 names= comment=-",
                  "trap KYV_60_31 level=1 b.c:9:1 second=?:0:0 names= comment=-",
              }));
}

TEST_F(TrapTable, DeactivatedRuleRecordsNothing) {
    std::int32_t rule = rule_of("KYV_60_10");
    rule_table[rule].severity = 0;
    std::int32_t file = source_file("/tt/off/a.c");
    std::int32_t with_traps_before = files_with_traps;
    start("/tt/off/a.c");
    record_trap(rule, at(file, 1, 1), nullptr, nullptr);
    finish("/tt/off/a.c");
    EXPECT_EQ(files_with_traps, with_traps_before);
    EXPECT_EQ(traps_for("/tt/off/"), std::vector<std::string>{});
    EXPECT_EQ(report_for("/tt/off/").size(), 2u);  // the file node and its close
}

TEST_F(TrapTable, SystemIncludeFilesDropTraps) {
    std::int32_t rule = rule_of("KYV_60_10");
    std::int32_t system = source_file("/tt/sys/stdio.h", true);
    std::int32_t inner = source_file("/tt/sys/inner.h");
    std::int32_t files_before = file_count;
    start("/tt/sys/stdio.h", true);
    EXPECT_EQ(in_system_include, 1);
    record_trap(rule, at(system, 4, 1), nullptr, nullptr);
    start("/tt/sys/inner.h");  // an ordinary file included from a system one
    EXPECT_EQ(in_system_include, 0);
    record_trap(rule, at(inner, 2, 1), nullptr, nullptr);
    finish("/tt/sys/inner.h");
    EXPECT_EQ(in_system_include, 1);
    record_trap(rule, at(system, 5, 1), nullptr, nullptr);
    finish("/tt/sys/stdio.h");
    EXPECT_EQ(in_system_include, 0);
    end_xob_file();
    EXPECT_EQ(file_count, files_before + 1);  // the system file is not counted

    report_for("/tt/sys/");
    std::vector<std::int32_t> counts_before(std::begin(trap_counts), std::end(trap_counts));
    std::int32_t with_traps_before = files_with_traps;
    // A trap the link pass records in the system file after reading.
    record_trap(rule, at(system, 6, 1), nullptr, nullptr);
    EXPECT_EQ(files_with_traps, with_traps_before + 1);
    EXPECT_EQ(report_for("/tt/sys/"),
              (std::vector<std::string>{
                  "file inner.h count=1 date=" + date_of(0) + " version=-",
                  "trap KYV_60_10 level=2 inner.h:2:1 second=?:0:0 names= comment=-",
                  "close file",
              }));
    EXPECT_EQ(std::vector<std::int32_t>(std::begin(trap_counts), std::end(trap_counts)),
              counts_before);
}

TEST_F(TrapTable, PairsJoinTheirNames) {
    std::int32_t rule = rule_of("KYV_160_21");
    std::int32_t file = source_file("/tt/pair/a.c");
    start("/tt/pair/a.c");
    record_trap_pair(rule, at(file, 3, 1), nullptr, id("p"), id("q"));
    record_trap_pair(rule, at(file, 4, 1), nullptr, nullptr, id("q"));
    record_trap_pair(rule, at(file, 5, 1), nullptr, id("p"), nullptr);
    finish("/tt/pair/a.c");
    std::vector<std::string> traps = traps_for("/tt/pair/");
    ASSERT_EQ(traps.size(), 3u);
    EXPECT_NE(traps[0].find("names=p|q "), std::string::npos);
    EXPECT_NE(traps[1].find("names=??|q "), std::string::npos);
    EXPECT_NE(traps[2].find("names=p "), std::string::npos);
}

TEST_F(TrapTable, NamesAreSplitAtEveryHashAndTheSplitLastsOneTrap) {
    // Names with and without "#" in turn: the parts of one trap must not
    // leak into the next one's.
    std::int32_t rule = rule_of("KYV_160_21");
    std::int32_t file = source_file("/tt/split/a.c");
    start("/tt/split/a.c");
    const char* const NAMES[] = {"a#b", "c", "d##e#", "#", "f", ""};
    for (int i = 0; i < 6; ++i) record_trap(rule, at(file, 2 + i, 1), nullptr, id(NAMES[i]));
    record_trap(rule, at(file, 9, 1), nullptr, nullptr);
    finish("/tt/split/a.c");
    std::vector<std::string> traps = traps_for("/tt/split/");
    const char* const EXPECTED[] = {"names=a|b ", "names=c ", "names=d||e| ", "names=| ",
                                    "names=f ",   "names= ",  "names= "};
    ASSERT_EQ(traps.size(), 7u);
    for (int i = 0; i < 7; ++i) EXPECT_NE(traps[i].find(EXPECTED[i]), std::string::npos) << traps[i];
}

TEST_F(TrapTable, TrapOutsideEveryRecordedFileIsKeptButCountedNowhere) {
    // A file listed by a filename element only has no start event; with no
    // source file open (as in the link pass) the trap belongs to no file.
    std::int32_t listed = source_file("/tt/nowhere/listed.h");
    std::int32_t with_traps_before = files_with_traps;
    record_trap(rule_of("KYV_60_10"), at(listed, 8, 2), nullptr, id("n"));
    EXPECT_EQ(files_with_traps, with_traps_before);
    EXPECT_EQ(report_for("/tt/nowhere/"),
              std::vector<std::string>{
                  "trap KYV_60_10 level=2 listed.h:8:2 second=?:0:0 names=n comment=-"});
}

TEST_F(TrapTable, FileLeftOpenByAnAbandonedParseHidesNothingAfterIt) {
    std::int32_t a = source_file("/tt/abandon/a.c");
    std::int32_t c = source_file("/tt/abandon/c.h", true);
    std::int32_t d = source_file("/tt/abandon/d.c");
    start("/tt/abandon/a.c");
    record_function_start(id("g"), at(a, 1, 1));
    record_trap(rule_of("KYV_60_10"), at(a, 2, 1), nullptr, nullptr);
    end_xob_file();  // the reader gave up inside the function
    start("/tt/abandon/c.h", true);
    end_xob_file();
    EXPECT_EQ(in_system_include, 0);
    start("/tt/abandon/d.c");
    record_trap(rule_of("KYV_60_10"), at(d, 3, 1), nullptr, nullptr);
    finish("/tt/abandon/d.c");
    (void)c;
    std::vector<std::string> report = report_for("/tt/abandon/");
    ASSERT_EQ(report.size(), 8u);
    EXPECT_EQ(report[0].substr(0, 14), "file a.c count");
    EXPECT_EQ(report[1], "function g count=1 at /tt/abandon/a.c:1");
    EXPECT_EQ(report[3], "close function");
    EXPECT_EQ(report[4], "close file");
    EXPECT_EQ(report[5].substr(0, 14), "file d.c count");
    EXPECT_EQ(report[6].substr(0, 13), "trap KYV_60_1");
    EXPECT_EQ(report[7], "close file");
}

TEST_F(TrapTable, FunctionDefinedInsideAnotherNestsInItsNode) {
    std::int32_t file = source_file("/tt/nested/a.c");
    std::int32_t rule = rule_of("KYV_60_10");
    start("/tt/nested/a.c");
    record_function_start(id("outer"), at(file, 3, 1));
    record_function_start(id("inner"), at(file, 4, 1));
    record_trap(rule, at(file, 5, 1), nullptr, nullptr);
    record_function_end(id("inner"), at(file, 6, 1));
    record_trap(rule, at(file, 8, 1), nullptr, nullptr);
    record_function_end(id("outer"), at(file, 9, 1));
    // An end position written before its start closes nothing.
    record_function_start(id("odd"), at(file, 15, 1));
    record_function_end(id("odd"), at(file, 12, 1));
    finish("/tt/nested/a.c");
    EXPECT_EQ(report_for("/tt/nested/"),
              (std::vector<std::string>{
                  "file a.c count=2 date=" + date_of(0) + " version=-",
                  "function outer count=0 at /tt/nested/a.c:3",
                  "function inner count=1 at /tt/nested/a.c:4",
                  "trap KYV_60_10 level=2 a.c:5:1 second=?:0:0 names= comment=-",
                  "close function",
                  "trap KYV_60_10 level=2 a.c:8:1 second=?:0:0 names= comment=-",
                  "close function",
                  "function odd count=0 at /tt/nested/a.c:15",
                  "close function",
                  "close file",
              }));
}

// Ends arrive out of line order (a function whose end was written before
// an earlier one's), twice at one position (two functions closing at once:
// one end), and at a trap's own position (after the trap).
TEST_F(TrapTable, FunctionEndsTakeTheirPlaceWhateverOrderTheyCameIn) {
    std::int32_t file = source_file("/tt/ends/a.c");
    std::int32_t rule = rule_of("KYV_60_10");
    start("/tt/ends/a.c");
    record_function_start(id("f"), at(file, 1, 1));
    record_function_start(id("g"), at(file, 2, 1));
    record_trap(rule, at(file, 3, 1), nullptr, nullptr);
    record_function_end(id("g"), at(file, 9, 1));
    record_function_end(id("f"), at(file, 4, 2));
    record_function_end(id("f"), at(file, 4, 2));
    record_trap(rule, at(file, 4, 2), nullptr, nullptr);
    record_trap(rule, at(file, 6, 1), nullptr, nullptr);
    finish("/tt/ends/a.c");
    EXPECT_EQ(report_for("/tt/ends/"),
              (std::vector<std::string>{
                  "file a.c count=3 date=" + date_of(0) + " version=-",
                  "function f count=0 at /tt/ends/a.c:1",
                  "function g count=2 at /tt/ends/a.c:2",
                  "trap KYV_60_10 level=2 a.c:3:1 second=?:0:0 names= comment=-",
                  "trap KYV_60_10 level=2 a.c:4:2 second=?:0:0 names= comment=-",
                  "close function",
                  "trap KYV_60_10 level=2 a.c:6:1 second=?:0:0 names= comment=-",
                  "close function",
                  "close file",
              }));
}

// A header's functions come again with every unit that includes it, each
// time from the top: one start and one end per position stay, the start
// with the name it was first recorded under, and counting reaches it.
TEST_F(TrapTable, AHeaderReadByManyUnitsKeepsOneStartAndEndPerFunction) {
    std::int32_t file = source_file("/tt/again/h.h");
    std::int32_t rule = rule_of("KYV_60_10");
    for (int unit = 0; unit < 40; ++unit) {
        start("/tt/again/h.h");
        record_function_start(id(unit ? "late" : "k"), at(file, 2, 1));
        record_function_end(id("k"), at(file, 3, 1));
        record_function_start(id(unit ? "late" : "h"), at(file, 5, 1));
        if (unit == 7) record_trap(rule, at(file, 6, 1), nullptr, nullptr);
        record_function_end(id("h"), at(file, 7, 1));
        finish("/tt/again/h.h");
        end_xob_file();
    }
    EXPECT_EQ(report_for("/tt/again/"),
              (std::vector<std::string>{
                  "file h.h count=1 date=" + date_of(0) + " version=-",
                  "function k count=0 at /tt/again/h.h:2",
                  "close function",
                  "function h count=1 at /tt/again/h.h:5",
                  "trap KYV_60_10 level=2 h.h:6:1 second=?:0:0 names= comment=-",
                  "close function",
                  "close file",
              }));
}

TEST_F(Justification, NblineZeroCoversItsOwnLine) {
    std::int32_t file = source_file("/tt/nb0/a.c");
    std::int32_t rule = rule_of("KYV_60_10");
    start("/tt/nb0/a.c");
    record_justify_element("KYV_60_10", at(file, 10, 5), 0, false, id("checked"));
    record_trap(rule, at(file, 10, 4), nullptr, nullptr);
    record_trap(rule, at(file, 11, 1), nullptr, nullptr);
    finish("/tt/nb0/a.c");
    EXPECT_EQ(traps_for("/tt/nb0/"),
              (std::vector<std::string>{
                  "trap KYV_60_10 level=3 a.c:10:4 second=?:0:0 names= comment=checked",
                  "trap KYV_60_10 level=2 a.c:11:1 second=?:0:0 names= comment=-",
              }));
}

TEST_F(Justification, WithoutAllOnlyTheFirstTrapIsJustified) {
    std::int32_t rule = rule_of("KYV_60_10");
    std::int32_t once = source_file("/tt/nb3/once.c");
    std::int32_t all = source_file("/tt/nb3/all.c");
    start("/tt/nb3/once.c");
    record_justify_element("KYV_60_10", at(once, 10), 3, false, id("c"));
    record_trap(rule, at(once, 11), nullptr, nullptr);
    record_trap(rule, at(once, 12), nullptr, nullptr);
    finish("/tt/nb3/once.c");
    start("/tt/nb3/all.c");
    record_justify_element("KYV_60_10", at(all, 10), 3, true, id("c"));
    record_trap(rule, at(all, 11), nullptr, nullptr);
    record_trap(rule, at(all, 12), nullptr, nullptr);
    record_trap(rule, at(all, 14), nullptr, nullptr);  // beyond the three lines
    finish("/tt/nb3/all.c");

    std::vector<std::string> levels;
    for (const std::string& trap : traps_for("/tt/nb3/")) levels.push_back(level_and_place(trap));
    EXPECT_EQ(levels, (std::vector<std::string>{
                          "level=3 all.c:11:0",
                          "level=3 all.c:12:0",
                          "level=2 all.c:14:0",
                          "level=3 once.c:11:0",
                          "level=2 once.c:12:0",
                      }));
    std::int32_t justified = trap_counts[0];
    report_for("/tt/nb3/");  // use counts start again from 0 in every walk
    EXPECT_EQ(trap_counts[0], justified);
}

TEST_F(Justification, TrapAboveItIsNotCovered) {
    std::int32_t file = source_file("/tt/above/a.c");
    start("/tt/above/a.c");
    record_justify_element("KYV_60_10", at(file, 20), 5, true, id("c"));
    record_trap(rule_of("KYV_60_10"), at(file, 19), nullptr, nullptr);
    record_trap(rule_of("KYV_120_10"), at(file, 21), nullptr, nullptr);  // another rule
    finish("/tt/above/a.c");
    for (const std::string& trap : traps_for("/tt/above/"))
        EXPECT_EQ(trap.find("level=3"), std::string::npos) << trap;
}

TEST_F(Justification, EverywhereWithAllJustifiesTheRuleInEveryFile) {
    std::int32_t rule = rule_of("KYV_120_10");
    std::int32_t earlier = source_file("/tt/everywhere/earlier.c");
    std::int32_t later = source_file("/tt/everywhere/later.c");
    start("/tt/everywhere/earlier.c");
    record_trap(rule, at(earlier, 3), nullptr, nullptr);
    finish("/tt/everywhere/earlier.c");
    start("/tt/everywhere/later.c");
    std::int32_t justifications_before = new_justifications;
    record_justify_element("KYV_120_10", at(later, 1), -1, true, id("agreed"));
    EXPECT_EQ(new_justifications, justifications_before);  // no event
    // Without the all attribute "everywhere" covers no line.
    record_justify_element("KYV_60_10", at(later, 1), -1, false, id("never"));
    EXPECT_EQ(new_justifications, justifications_before + 1);
    record_trap(rule, at(later, 9), nullptr, nullptr);
    record_trap(rule_of("KYV_60_10"), at(later, 9), nullptr, nullptr);
    finish("/tt/everywhere/later.c");

    EXPECT_STREQ(rule_comment(rule), "agreed");
    EXPECT_EQ(traps_for("/tt/everywhere/"),
              (std::vector<std::string>{
                  "trap KYV_120_10 level=3 earlier.c:3:0 second=?:0:0 names= comment=agreed",
                  "trap KYV_60_10 level=2 later.c:9:0 second=?:0:0 names= comment=-",
                  "trap KYV_120_10 level=3 later.c:9:0 second=?:0:0 names= comment=agreed",
              }));
}

TEST_F(Justification, AFileHoldsMoreThanOneXobFileMade) {
    std::int32_t rule = rule_of("KYV_60_10");
    std::int32_t file = source_file("/tt/many/a.c");
    for (int unit = 0; unit < 2; ++unit) {
        start("/tt/many/a.c");
        for (int line = 1 + 50 * unit; line <= 50 + 50 * unit; ++line)
            record_justify_element("KYV_60_10", at(file, line), 0, false, id("c"));
        finish("/tt/many/a.c");
        end_xob_file();
    }
    EXPECT_GE(max_justifications, 50);
    start("/tt/many/a.c");
    for (int line = 1; line <= 100; ++line) record_trap(rule, at(file, line), nullptr, nullptr);
    finish("/tt/many/a.c");
    std::vector<std::string> traps = traps_for("/tt/many/");
    ASSERT_EQ(traps.size(), 100u);
    for (const std::string& trap : traps) EXPECT_NE(trap.find("level=3"), std::string::npos);
}
