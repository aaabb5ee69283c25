// One run of kyvreport, as its phases: load the baseline, survey the report
// (rules, levels, counts, the exit condition), then write every output in a
// second pass over the report. Owns all the state of the run.
#pragma once
#include <memory>
#include <string>

#include "kyvreport/artifact_uri.h"
#include "kyvreport/baseline.h"
#include "kyvreport/log_plan.h"
#include "kyvreport/options.h"
#include "kyvreport/result_stream.h"
#include "kyvreport/rule_book.h"

// Exit statuses.
constexpr int EXIT_DONE = 0;
constexpr int EXIT_CONDITION = 1;  // the --fail-on condition holds
constexpr int EXIT_INVALID = 2;    // usage error, unreadable or invalid input, failed output

int usage_error(const std::string& problem);
int show_help();
int show_version();

class conversion {
public:
    explicit conversion(const report_options& options);

    // Each phase returns false when the run must stop with status().
    bool load_baseline();
    bool survey();
    bool write_outputs();
    int status() const { return status_; }

private:
    bool fail(const std::string& file, const std::string& problem);
    void tell_limits(const log_size& size) const;

    const report_options& options_;
    artifact_uris uris_;
    std::unique_ptr<artifact_uris> old_uris_;  // the baseline's root, when it differs
    baseline old_;
    rule_book rules_;
    report_survey survey_;
    log_plan plan_;
    conversion_settings settings_;
    int status_ = EXIT_DONE;
};
