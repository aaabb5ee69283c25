// One translation unit through libclang into the text of its xob file: the
// files it read (one `sourcefile` per inclusion), its declarations,
// definitions, functions and uses, the compiler's diagnostics in project
// files, the justification comments of its sources and the library rules.
#pragma once
#include <string>
#include <utility>
#include <vector>

struct library_rules;

struct unit_request {
    std::string directory;          // the compile step's folder
    std::string source;             // absolute path of the unit's main file
    std::vector<std::string> args;  // for libclang, compiler name first, source last
    std::string xob_name;           // the xob file's own name (its `filename`)
    std::string command;            // the compile step as written, for `command`
    const library_rules* rules = nullptr;
};

struct unit_result {
    bool parsed = false;                  // false: libclang gave no unit at all
    std::string failure;                  // why, when not parsed
    std::string xob;                      // the whole xob text
    std::vector<std::pair<std::string, std::string>> files_read;  // every file read: path, content hash
    int compiler_errors = 0;
    std::vector<std::string> messages;    // compiler-style lines for standard error
};

// Parses and scans one unit. Lives in the parser module (libkyvscan_parse.so),
// which alone links libclang: loading libclang costs a run more than
// checking a whole project's cache, so a run that parses nothing never loads it.
extern "C" void kyvscan_scan_unit(const unit_request* request, unit_result* result);
using scan_unit_function = void (*)(const unit_request*, unit_result*);
