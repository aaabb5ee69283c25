#include "kyvreport/result_stream.h"

#include <functional>

void result_stream::on_summary(const report_summary& summary) {
    if (survey_) survey_->summary = summary;
}

void result_stream::on_file_start(const file_node& file) {
    file_location_ = settings_.uris.locate(file.full_path);
    file_path_ = file.full_path;
    identities_.start_file();
    old_identities_.start_file();
    functions_.clear();
    sink_.file_start(file, file_location_);
}

void result_stream::on_file_end() { sink_.file_end(); }

void result_stream::on_function_start(const function_node& function) {
    functions_.push_back(function.name);
    sink_.function_start(function);
}

void result_stream::on_function_end() {
    if (!functions_.empty()) functions_.pop_back();
    sink_.function_end();
}

void result_stream::on_trap(const trap_node& trap) {
    const int rule = rules_.index_of(trap.rule);
    if (survey_) {
        rules_.learn_level(trap.rule, trap.state);
        rules_.learn_group(rule, trap.group);
    }
    result_level level = rules_.at(rule).level;
    if (trap.state == trap_state::error) level = result_level::error;
    else if (trap.state == trap_state::warning) level = result_level::warning;
    else if (trap.state == trap_state::info) level = result_level::note;

    if (!settings_.filter.keeps(rules_.at(rule), level)) return;

    const std::string function = functions_.empty() ? std::string() : functions_.back();
    // An empty path in the link stands for the trap's own file.
    const std::string& related_file = trap.related.full_path.empty() ? file_path_ : trap.related.full_path;
    const auto identity = [&](const std::function<std::string(const std::string&)>& path, trap_identities& identities) {
        return identities.identify(rules_.at(rule).id, path(file_path_), function, trap.names,
                                   trap.related.present ? path(related_file) : std::string());
    };
    const artifact_uris& uris = settings_.uris;
    // The survey needs an identity only to compare with a baseline, and
    // never the message or the second position's location: on the lua
    // report (309,000 traps) they were a tenth of the run.
    const bool writing = survey_ == nullptr;
    std::string fingerprint;
    if (writing || settings_.old)
        fingerprint = identity([&](const std::string& p) { return uris.display_path(p); }, identities_);
    baseline_mark mark = baseline_mark::none;
    if (settings_.old) {
        // A baseline of another root: a file below that root is named as the
        // baseline named it (the same machine); any other as this run names
        // it (the checkout moved, both logs relative to their roots), and
        // without that root, by its full path.
        const artifact_uris* old_uris = settings_.old_uris;
        const auto old_path = [&](const std::string& p) {
            return !old_uris->has_root() || old_uris->below_root(p) ? old_uris->display_path(p) : uris.display_path(p);
        };
        const std::string key = old_uris ? identity(old_path, old_identities_) : fingerprint;
        mark = settings_.old->match(key) ? baseline_mark::unchanged : baseline_mark::fresh;
    }
    if (settings_.new_only && mark == baseline_mark::unchanged) return;

    artifact_location related;
    std::string related_path;
    if (writing && trap.related.present) {
        related = settings_.uris.locate(related_file);
        related_path = settings_.uris.display_path(related_file);
    }
    const trap_result result{trap,     rule, level, file_location_, related, function, std::move(fingerprint), mark,
                             writing ? show_message(trap, related_path, settings_.uris.root_prefix()) : shown_message(),
                             related_path};
    if (survey_) count(result);
    sink_.result(result);
}

bool result_filter::keeps(const rule_row& rule, result_level level) const {
    // The levels' order: error, warning, note.
    if (static_cast<int>(level) > static_cast<int>(min_level)) return false;
    return rules.empty() || rules.count(rule.id) > 0 || (!rule.label.empty() && rules.count(rule.label) > 0);
}

void result_stream::count(const trap_result& result) {
    rule_row& row = rules_.at(result.rule);
    ++row.results;
    const bool justified = result.trap.state == trap_state::justified;
    if (justified) {
        ++row.justified;
        ++survey_->justified;
    } else if (result.level == result_level::error) {
        ++survey_->errors;
    } else if (result.level == result_level::warning) {
        ++survey_->warnings;
    } else {
        ++survey_->notes;
    }
    if (result.mark == baseline_mark::fresh) ++survey_->fresh;
    if (result.mark == baseline_mark::unchanged) ++survey_->unchanged;
    if (justified) return;
    switch (settings_.fail_on) {
        case fail_condition::never: break;
        case fail_condition::any: survey_->fail = true; break;
        case fail_condition::error: survey_->fail |= result.level == result_level::error; break;
        case fail_condition::fresh: survey_->fail |= result.mark != baseline_mark::unchanged; break;
    }
}

void result_stream::on_rule_statistic(const rule_statistic& statistic) {
    if (survey_) rules_.learn_level(statistic.rule, statistic.state);
}

void result_stream::on_deactivated_rule(const std::string& rule) {
    if (survey_) survey_->deactivated.push_back(rule);
}
