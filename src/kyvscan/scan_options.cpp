#include "kyvscan/scan_options.h"

#include <cerrno>
#include <cstdlib>

const char* const scan_usage_lines =
    "usage: kyvscan -p BUILD_DIR [-j N] [-o OUT_DIR] [--rules FILE] [FILTER...]\n"
    "       kyvscan -o UNIT.xob [--rules FILE] -- COMPILER ARGS...\n"
    "       kyvscan --launcher [--rules FILE] COMPILER ARGS...\n";
const char* const scan_option_help =
    "  -p BUILD_DIR   scan every C unit of BUILD_DIR/compile_commands.json\n"
    "  -j N           parse N units at a time (default: one per core)\n"
    "  -o PATH        project mode: the output folder (default BUILD_DIR/kyvscan);\n"
    "                 unit mode: the xob file to write\n"
    "  --rules FILE   the rule configuration file kyvld reads with -RULE=, or an\n"
    "                 installed profile's name (focused)\n"
    "  FILTER         scan only units whose path contains one of the filters\n"
    "  --launcher     as a build's compiler launcher: scan the compile step into\n"
    "                 OBJECT.xob beside its object file, then run it\n";

namespace {

enum class valued_option { project, output, jobs, rules };

struct valued_option_name {
    const char* short_name;  // "-p": also written "-pVALUE"; null when none
    const char* long_name;   // "--project": also written "--project=VALUE"
    valued_option option;
};

constexpr valued_option_name valued_options[] = {
    {"-p", "--project", valued_option::project},
    {"-o", "--output", valued_option::output},
    {"-j", "--jobs", valued_option::jobs},
    {nullptr, "--rules", valued_option::rules},
};

// The option `word` names, with its value (the next word when not attached);
// false when it names none. `missing` is set when the value is not there.
bool take_valued_option(int argc, char** argv, int& i, valued_option& option, std::string& value,
                        bool& missing) {
    std::string word = argv[i];
    missing = false;
    for (const valued_option_name& name : valued_options) {
        bool alone = (name.short_name && word == name.short_name) || word == name.long_name;
        std::string with_equals = std::string(name.long_name) + "=";
        option = name.option;
        if (alone) {
            if (i + 1 >= argc) {
                missing = true;
                return true;
            }
            value = argv[++i];
            return true;
        }
        if (name.short_name && word.size() > 2 && word.compare(0, 2, name.short_name) == 0 && word[1] != '-') {
            value = word.substr(2);
            return true;
        }
        if (word.compare(0, with_equals.size(), with_equals) == 0) {
            value = word.substr(with_equals.size());
            return true;
        }
    }
    return false;
}

// Applies one option's value; false with `error` set when it is not valid.
bool apply_option(valued_option option, const std::string& value, scan_options& options,
                  bool& have_output, std::string& error) {
    switch (option) {
    case valued_option::project:
        if (value.empty()) {
            error = "-p needs a build folder";
            return false;
        }
        options.project = true;
        options.build_dir = value;
        return true;
    case valued_option::output:
        if (value.empty() || have_output) {
            error = value.empty() ? "-o needs a path" : "-o given twice";
            return false;
        }
        have_output = true;
        options.output = value;
        return true;
    case valued_option::jobs: {
        errno = 0;
        char* end = nullptr;
        long jobs = std::strtol(value.c_str(), &end, 10);
        if (value.empty() || *end || errno || jobs < 1 || jobs > 1024) {
            error = "-j takes a whole number from 1 to 1024, not '" + value + "'";
            return false;
        }
        options.jobs = static_cast<int>(jobs);
        return true;
    }
    case valued_option::rules: options.rules_file = value; return true;
    }
    return false;
}

}  // namespace

bool parse_scan_options(int argc, char** argv, scan_options& options, std::string& error) {
    bool have_output = false;
    for (int i = 1; i < argc; ++i) {
        std::string word = argv[i];
        if (word == "--") {
            for (++i; i < argc; ++i) options.compile.push_back(argv[i]);
            break;
        }
        if (word == "--launcher") {
            options.launcher = true;
            continue;
        }
        if (options.launcher && !word.empty() && word[0] != '-') {
            for (; i < argc; ++i) options.compile.push_back(argv[i]);
            break;
        }
        if (word == "-h" || word == "--help") {
            options.help = true;
            return true;
        }
        if (word == "--version") {
            options.version = true;
            return true;
        }
        std::string value;
        valued_option option;
        bool missing = false;
        if (take_valued_option(argc, argv, i, option, value, missing)) {
            if (missing) {
                error = "option " + word + " needs a value";
                return false;
            }
            if (!apply_option(option, value, options, have_output, error)) return false;
            continue;
        }
        if (!word.empty() && word[0] == '-') {
            error = "unknown option " + word;
            return false;
        }
        options.filters.push_back(word);
    }
    if (options.project) {
        if (!options.compile.empty()) {
            error = "-p and a compile step after -- exclude each other";
            return false;
        }
        return true;
    }
    if (options.compile.empty()) {
        error = options.launcher ? "--launcher needs a compile step"
                                 : "give -p BUILD_DIR, or -o UNIT.xob -- and a compile step";
        return false;
    }
    if (!options.filters.empty()) {
        error = "unexpected word " + options.filters.front() + " (filters are for -p)";
        return false;
    }
    if (options.launcher) {
        if (have_output) {
            error = "--launcher writes beside the object file; -o is not for it";
            return false;
        }
    } else if (!have_output) {
        error = "unit mode needs -o UNIT.xob";
        return false;
    }
    if (options.jobs) {
        error = "-j is for -p";
        return false;
    }
    return true;
}
