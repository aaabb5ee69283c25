// kyvscan's command line:
//     kyvscan -p BUILD_DIR [-j N] [-o OUT_DIR] [--rules FILE] [FILTER...]
//     kyvscan -o UNIT.xob [--rules FILE] -- COMPILER ARGS...
// Project mode scans every C unit of BUILD_DIR/compile_commands.json; unit
// mode scans the one compile step after "--", for a build system's own rule.
#pragma once
#include <string>
#include <vector>

struct scan_options {
    bool project = false;
    std::string build_dir;              // -p
    std::string output;                 // -o: folder (project) or xob file (unit)
    std::string rules_file;             // --rules
    int jobs = 0;                       // -j; 0: one per core
    std::vector<std::string> filters;   // project mode: units whose path contains one
    std::vector<std::string> compile;   // unit mode: the compile step
    bool help = false;
    bool version = false;
};

// False with `error` set for a command line that is not one of the two forms.
bool parse_scan_options(int argc, char** argv, scan_options& options, std::string& error);

extern const char* const scan_usage;
