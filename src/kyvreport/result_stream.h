// Turns the report's nodes into results: the rule each names, its level, its
// artifact location, its identity, its state against the baseline, and
// whether --new-only keeps it. Run twice over the same report: first to
// survey it (rules, levels, counts, the exit condition), then to write.
#pragma once
#include <set>
#include <string>
#include <vector>

#include "kyvreport/artifact_uri.h"
#include "kyvreport/baseline.h"
#include "kyvreport/message_text.h"
#include "kyvreport/report_model.h"
#include "kyvreport/rule_book.h"
#include "kyvreport/trap_identity.h"

enum class baseline_mark { none, fresh, unchanged };
enum class fail_condition { never, fresh, error, any };

struct trap_result {
    const trap_node& trap;
    int rule;  // index in the rule book
    result_level level;
    artifact_location location;
    artifact_location related_location;  // when trap.related.present
    std::string function;                // innermost enclosing function, "" for none
    std::string fingerprint;             // empty in the survey without a baseline
    baseline_mark mark;
    shown_message message;               // empty in the survey
    std::string related_path;  // the second position's file as people read it
};

// Receives the results that are kept, inside their files and functions.
class result_sink {
public:
    virtual ~result_sink() = default;
    virtual void file_start(const file_node& file, const artifact_location& location) = 0;
    virtual void file_end() = 0;
    virtual void function_start(const function_node& function) = 0;
    virtual void function_end() = 0;
    virtual void result(const trap_result& result) = 0;
};

// What the first pass learns besides the rule book.
struct report_survey {
    report_summary summary;
    std::vector<std::string> deactivated;
    long long errors = 0, warnings = 0, notes = 0, justified = 0;  // kept results
    long long fresh = 0, unchanged = 0;
    bool fail = false;  // the --fail-on condition holds
};

// Which results every output keeps: --min-level and --rule.
struct result_filter {
    result_level min_level = result_level::note;
    std::set<std::string> rules;  // identifiers or labels; empty for all
    bool keeps(const rule_row& rule, result_level level) const;
};

struct conversion_settings {
    const artifact_uris& uris;
    baseline* old;  // null without --baseline
    // The baseline's own root, when it differs from uris': its results are
    // matched by the identities the traps take under that root.
    const artifact_uris* old_uris;
    bool new_only;
    fail_condition fail_on;
    const result_filter& filter;
};

class result_stream : public report_events {
public:
    // survey: non-null on the first pass, which also teaches the rule book.
    result_stream(const conversion_settings& settings, rule_book& rules, report_survey* survey,
                  result_sink& sink)
        : settings_(settings), rules_(rules), survey_(survey), sink_(sink) {}

    void on_summary(const report_summary& summary) override;
    void on_file_start(const file_node& file) override;
    void on_file_end() override;
    void on_function_start(const function_node& function) override;
    void on_function_end() override;
    void on_trap(const trap_node& trap) override;
    // The survey without a baseline counts by rule and level alone.
    bool wants_trap_texts() const override { return survey_ == nullptr || settings_.old != nullptr; }
    void on_rule_statistic(const rule_statistic& statistic) override;
    void on_deactivated_rule(const std::string& rule) override;

private:
    void count(const trap_result& result);

    const conversion_settings& settings_;
    rule_book& rules_;
    report_survey* survey_;
    result_sink& sink_;
    trap_identities identities_;
    trap_identities old_identities_;  // under the baseline's root
    artifact_location file_location_;
    std::string file_path_;
    std::vector<std::string> functions_;
};


// Hands everything to each of several sinks in turn.
class fan_out_sink : public result_sink {
public:
    void add(result_sink& sink) { sinks_.push_back(&sink); }
    void file_start(const file_node& file, const artifact_location& location) override {
        for (result_sink* sink : sinks_) sink->file_start(file, location);
    }
    void file_end() override {
        for (result_sink* sink : sinks_) sink->file_end();
    }
    void function_start(const function_node& function) override {
        for (result_sink* sink : sinks_) sink->function_start(function);
    }
    void function_end() override {
        for (result_sink* sink : sinks_) sink->function_end();
    }
    void result(const trap_result& result) override {
        for (result_sink* sink : sinks_) sink->result(result);
    }

private:
    std::vector<result_sink*> sinks_;
};
