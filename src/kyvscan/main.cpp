// kyvscan: writes the xob files of a C project (or of one compile step) from
// its sources, for kyvld to link. main reads as the list of phases.
#include <cstdio>

#include "kyvscan/library_rules.h"
#include "kyvscan/project_scan.h"
#include "kyvscan/scan_options.h"

int main(int argc, char** argv) {
    scan_options options;
    std::string error;
    if (!parse_scan_options(argc, argv, options, error)) {
        std::fprintf(stderr, "kyvscan: %s\n%s", error.c_str(), scan_usage);
        return 2;
    }
    if (options.help) {
        std::printf("%s", scan_usage);
        return 0;
    }
    if (options.version) {
        std::printf("kyvscan %s\n", KYV_VERSION);
        return 0;
    }
    library_rules rules;
    if (!load_library_rules(options.rules_file, rules, error)) {
        std::fprintf(stderr, "kyvscan: %s\n", error.c_str());
        return 2;
    }
    return options.project ? scan_project(options, rules) : scan_one_unit(options, rules);
}
