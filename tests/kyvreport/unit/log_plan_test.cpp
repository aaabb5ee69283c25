#include "kyvreport/log_plan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A rule book of rules in the given groups, each rule named after its index.
rule_book book_of(const std::vector<std::string>& groups) {
    rule_book rules;
    for (size_t i = 0; i < groups.size(); ++i) rules.learn_group(rules.index_of("R" + std::to_string(i)), groups[i]);
    return rules;
}

}  // namespace

TEST(LogPlan, TheCapKeepsTheMostSevereRanksInArrivalOrderAndCountsTheRestPerRule) {
    const rule_book rules = book_of({"A", "A"});
    log_plan plan(rules, split_mode::none, 5);
    // Arrival: rule, rank. Three warnings, three errors, one absent.
    const std::vector<std::pair<int, int>> results = {{0, 1}, {1, 0}, {0, 1}, {1, 0}, {1, 1}, {0, 0}, {1, ABSENT_RANK}};
    for (const auto& r : results) plan.count(r.first, r.second);
    plan.settle(20);
    std::vector<bool> taken;
    for (const auto& r : results) taken.push_back(plan.take(r.first, r.second));
    // Every error, then the first two warnings; the third warning and the absent one give way.
    EXPECT_EQ(taken, (std::vector<bool>{true, true, true, true, false, true, false}));
    EXPECT_EQ(plan.written(0), 5);
    EXPECT_EQ(plan.total(0), 7);
    EXPECT_EQ(plan.left_out(0), (std::vector<std::pair<int, long long>>{{1, 2}}));
    EXPECT_EQ(plan.left_out_total(), 2);
}

TEST(LogPlan, NoCapKeepsEverything) {
    const rule_book rules = book_of({"A"});
    log_plan plan(rules, split_mode::none, 0);
    for (int i = 0; i < 30000; ++i) plan.count(0, i % RANKS);
    plan.settle(20);
    for (int i = 0; i < 30000; ++i) ASSERT_TRUE(plan.take(0, i % RANKS));
    EXPECT_EQ(plan.left_out_total(), 0);
}

TEST(LogPlan, SplitRunsFollowGroupNamesAndTheLastTakesTheGroupsPastTheLimitEachWithItsOwnCap) {
    const rule_book rules = book_of({"C", "A", "", "B", "A"});
    log_plan plan(rules, split_mode::rule_group, 1);
    for (int rule = 0; rule < 5; ++rule) plan.count(rule, 1);
    plan.count(4, 0);
    plan.settle(3);
    ASSERT_EQ(plan.runs(), 3);
    EXPECT_EQ(plan.run_name(0), "A");
    EXPECT_EQ(plan.run_name(1), "B");
    EXPECT_EQ(plan.run_name(2), "C, Other");  // a rule without a group goes to "Other"
    EXPECT_EQ(plan.run_of(1), 0);
    EXPECT_EQ(plan.run_of(4), 0);
    EXPECT_EQ(plan.run_of(0), 2);
    EXPECT_EQ(plan.run_of(2), 2);
    // Run A holds one result: rule 4's error, though rule 1's warning comes first.
    EXPECT_FALSE(plan.take(1, 1));
    EXPECT_TRUE(plan.take(4, 0));
    EXPECT_FALSE(plan.take(4, 1));
    EXPECT_TRUE(plan.take(3, 1));
    EXPECT_TRUE(plan.take(0, 1));
    EXPECT_FALSE(plan.take(2, 1));
    EXPECT_EQ(plan.left_out(0), (std::vector<std::pair<int, long long>>{{1, 1}, {4, 1}}));
    EXPECT_EQ(plan.left_out(2), (std::vector<std::pair<int, long long>>{{2, 1}}));
}
