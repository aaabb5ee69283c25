// Runs are formed from the rule groups in name order; past the most runs a
// file may hold, the last run takes every remaining group.
#include "kyvreport/log_plan.h"

#include <algorithm>
#include <map>

int severity_rank(const trap_result& result) {
    if (result.trap.state == trap_state::justified) return 3;
    switch (result.level) {
        case result_level::error: return 0;
        case result_level::warning: return 1;
        case result_level::note: return 2;
    }
    return 2;
}

void log_plan::count(int rule, int rank) {
    const size_t index = static_cast<size_t>(rule);
    if (counted_per_rule_.size() <= index) counted_per_rule_.resize(index + 1, std::array<long long, RANKS>{});
    ++counted_per_rule_[index][static_cast<size_t>(rank)];
}

void log_plan::settle(long long max_runs) {
    const size_t rules = rules_.rows().size();
    counted_per_rule_.resize(rules, std::array<long long, RANKS>{});
    run_of_rule_.assign(rules, 0);
    left_out_per_rule_.assign(rules, 0);
    runs_.clear();
    if (split_ == split_mode::none) {
        runs_.push_back({});
    } else {
        std::map<std::string, std::vector<size_t>> groups;
        for (size_t rule = 0; rule < rules; ++rule) {
            const std::string& group = rules_.rows()[rule].group;
            groups[group.empty() ? "Other" : group].push_back(rule);
        }
        for (const auto& group : groups) {
            if (static_cast<long long>(runs_.size()) < max_runs) {
                runs_.push_back({});
                runs_.back().name = group.first;
            } else {
                runs_.back().name += ", " + group.first;
            }
            for (size_t rule : group.second) run_of_rule_[rule] = static_cast<int>(runs_.size()) - 1;
        }
        if (runs_.empty()) runs_.push_back({});
    }
    for (size_t rule = 0; rule < rules; ++rule)
        for (int rank = 0; rank < RANKS; ++rank)
            runs_[static_cast<size_t>(run_of_rule_[rule])].counted[rank] += counted_per_rule_[rule][static_cast<size_t>(rank)];
    for (run_plan& run : runs_) {
        long long room = cap_ > 0 ? cap_ : -1;
        for (int rank = 0; rank < RANKS; ++rank) {
            run.quota[rank] = room < 0 ? run.counted[rank] : std::min(room, run.counted[rank]);
            if (room >= 0) room -= run.quota[rank];
        }
    }
}

bool log_plan::take(int rule, int rank) {
    run_plan& run = runs_[static_cast<size_t>(run_of(rule))];
    if (run.taken_of[rank] < run.quota[rank]) {
        ++run.taken_of[rank];
        ++run.taken;
        return true;
    }
    ++left_out_per_rule_[static_cast<size_t>(rule)];
    return false;
}

long long log_plan::total(int run) const {
    long long sum = 0;
    for (long long count : runs_[static_cast<size_t>(run)].counted) sum += count;
    return sum;
}

std::vector<std::pair<int, long long>> log_plan::left_out(int run) const {
    std::vector<std::pair<int, long long>> out;
    for (size_t rule = 0; rule < left_out_per_rule_.size(); ++rule)
        if (left_out_per_rule_[rule] > 0 && run_of_rule_[rule] == run)
            out.emplace_back(static_cast<int>(rule), left_out_per_rule_[rule]);
    return out;
}

long long log_plan::left_out_total() const {
    long long sum = 0;
    for (long long count : left_out_per_rule_) sum += count;
    return sum;
}
