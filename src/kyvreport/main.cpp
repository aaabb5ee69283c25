// kyvreport: reads one review report written by kyvld -KYV=<file> and writes
// it as a SARIF log and as a page, optionally against a baseline log.
#include <cstdio>
#include <string>

#include "kyvreport/artifact_uri.h"
#include "kyvreport/baseline.h"
#include "kyvreport/conversion.h"
#include "kyvreport/options.h"

int main(int argc, char** argv) {
    report_options options;
    const std::string problem = parse_options(argc, argv, options);
    if (!problem.empty()) return usage_error(problem);
    if (options.help) return show_help();
    if (options.version) return show_version();
    conversion run(options);
    if (!run.load_baseline()) return run.status();
    if (!run.survey()) return run.status();
    if (!run.write_outputs()) return run.status();
    return run.status();
}
