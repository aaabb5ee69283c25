// Which results the SARIF log holds, and in which run: one run, or one per
// rule group; within a run, up to the cap, the most severe results, in the
// report's order within each severity. The survey counts the results, the
// writer then takes them one by one and learns what it left out.
#pragma once
#include <array>
#include <string>
#include <vector>

#include "kyvreport/result_stream.h"
#include "kyvreport/rule_book.h"

enum class split_mode { none, rule_group };

// The order in which results give way to the cap, most severe first:
// unjustified errors, warnings, notes, then justified results, then the
// baseline's absent ones.
constexpr int RANKS = 5;
constexpr int ABSENT_RANK = 4;
int severity_rank(const trap_result& result);

class log_plan : public result_sink {
public:
    // cap: results per run, 0 for no cap.
    log_plan(const rule_book& rules, split_mode split, long long cap) : rules_(rules), split_(split), cap_(cap) {}

    // The survey's counts.
    void file_start(const file_node&, const artifact_location&) override {}
    void file_end() override {}
    void function_start(const function_node&) override {}
    void function_end() override {}
    void result(const trap_result& result) override { count(result.rule, severity_rank(result)); }
    void count(int rule, int rank);
    // Forms the runs and their quotas, once every result is counted.
    void settle(long long max_runs);

    int runs() const { return static_cast<int>(runs_.size()); }
    int run_of(int rule) const { return run_of_rule_[static_cast<size_t>(rule)]; }
    // The run's rule groups, "" for a run of all results.
    const std::string& run_name(int run) const { return runs_[static_cast<size_t>(run)].name; }
    // True when the result is written; else it is counted as left out.
    bool take(int rule, int rank);
    long long written(int run) const { return runs_[static_cast<size_t>(run)].taken; }
    long long total(int run) const;
    // Left-out results of the run, per rule index, in rule-book order.
    std::vector<std::pair<int, long long>> left_out(int run) const;
    long long left_out_total() const;
    long long cap() const { return cap_; }

private:
    struct run_plan {
        std::string name;
        long long counted[RANKS] = {};
        long long quota[RANKS] = {};
        long long taken_of[RANKS] = {};
        long long taken = 0;
    };

    const rule_book& rules_;
    split_mode split_;
    long long cap_;
    std::vector<std::array<long long, RANKS>> counted_per_rule_;
    std::vector<int> run_of_rule_;
    std::vector<run_plan> runs_;
    std::vector<long long> left_out_per_rule_;
};
