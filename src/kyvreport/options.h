// kyvreport's command line: GNU-style long options and one report file.
#pragma once
#include <string>

#include "kyvreport/host_limits.h"
#include "kyvreport/log_plan.h"
#include "kyvreport/result_stream.h"

struct report_options {
    std::string report;
    std::string sarif;  // "" for none, "-" for standard output
    std::string html;
    std::string source_root;
    std::string baseline;
    bool new_only = false;
    fail_condition fail_on = fail_condition::never;
    result_filter filter;
    long long max_results = CODE_HOST.results_kept;  // per run of the log; 0 for no cap
    split_mode split = split_mode::none;
    bool pretty = false;
    // The page's.
    std::string title;
    std::string source_url;  // a template with {path} and {line}
    bool snippets = false;
    bool help = false;
    bool version = false;
};

// Returns what is wrong with the command line ("" when it is usable).
std::string parse_options(int argc, char** argv, report_options& options);

// The --help text.
const char* usage_text();
