#include "kyvscan/scan_options.h"

#include <cerrno>
#include <cstdlib>

const char* const scan_usage =
    "usage: kyvscan -p BUILD_DIR [-j N] [-o OUT_DIR] [--rules FILE] [FILTER...]\n"
    "       kyvscan -o UNIT.xob [--rules FILE] -- COMPILER ARGS...\n"
    "  -p BUILD_DIR   scan every C unit of BUILD_DIR/compile_commands.json\n"
    "  -j N           parse N units at a time (default: one per core)\n"
    "  -o PATH        project mode: the output folder (default BUILD_DIR/kyvscan);\n"
    "                 unit mode: the xob file to write\n"
    "  --rules FILE   the rule configuration file kyvld reads with -RULE=\n"
    "  FILTER         scan only units whose path contains one of the filters\n";

namespace {

// The value of an option given as "-x VALUE", "-xVALUE", "--name VALUE" or "--name=VALUE".
bool take_value(int argc, char** argv, int& i, const std::string& word, const char* short_name,
                const char* long_name, std::string& value, bool& matched) {
    matched = false;
    std::string with_equals = long_name ? std::string(long_name) + "=" : "";
    if ((short_name && word == short_name) || (long_name && word == long_name)) {
        matched = true;
        if (i + 1 >= argc) return false;
        value = argv[++i];
        return true;
    }
    if (short_name && word.size() > 2 && word.compare(0, 2, short_name) == 0 && word[1] != '-') {
        matched = true;
        value = word.substr(2);
        return true;
    }
    if (long_name && word.compare(0, with_equals.size(), with_equals) == 0) {
        matched = true;
        value = word.substr(with_equals.size());
        return true;
    }
    return true;
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
        if (word == "-h" || word == "--help") {
            options.help = true;
            return true;
        }
        if (word == "--version") {
            options.version = true;
            return true;
        }
        std::string value;
        bool matched = false;
        if (!take_value(argc, argv, i, word, "-p", "--project", value, matched)) {
            error = "option " + word + " needs a value";
            return false;
        }
        if (matched) {
            if (value.empty()) {
                error = "-p needs a build folder";
                return false;
            }
            options.project = true;
            options.build_dir = value;
            continue;
        }
        if (!take_value(argc, argv, i, word, "-o", "--output", value, matched)) {
            error = "option " + word + " needs a value";
            return false;
        }
        if (matched) {
            if (value.empty() || have_output) {
                error = value.empty() ? "-o needs a path" : "-o given twice";
                return false;
            }
            have_output = true;
            options.output = value;
            continue;
        }
        if (!take_value(argc, argv, i, word, "-j", "--jobs", value, matched)) {
            error = "option " + word + " needs a value";
            return false;
        }
        if (matched) {
            errno = 0;
            char* end = nullptr;
            long jobs = std::strtol(value.c_str(), &end, 10);
            if (value.empty() || *end || errno || jobs < 1 || jobs > 1024) {
                error = "-j takes a whole number from 1 to 1024, not '" + value + "'";
                return false;
            }
            options.jobs = static_cast<int>(jobs);
            continue;
        }
        if (!take_value(argc, argv, i, word, nullptr, "--rules", value, matched)) {
            error = "option " + word + " needs a value";
            return false;
        }
        if (matched) {
            options.rules_file = value;
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
        error = "give -p BUILD_DIR, or -o UNIT.xob -- and a compile step";
        return false;
    }
    if (!options.filters.empty()) {
        error = "unexpected word " + options.filters.front() + " (filters are for -p)";
        return false;
    }
    if (!have_output) {
        error = "unit mode needs -o UNIT.xob";
        return false;
    }
    if (options.jobs) {
        error = "-j is for -p";
        return false;
    }
    return true;
}
