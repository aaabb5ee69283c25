// The library rules kyvscan raises itself, whose parameters define them
// exactly: calls of listed functions, uses of listed macros and names, and
// inclusions of listed headers. The lists come from the rule catalogue after
// the configuration file kyvld reads (-RULE=) has been applied, so one file
// configures both programs; a rule the file deactivates raises nothing.
#pragma once
#include <string>
#include <unordered_set>

struct library_rules {
    std::unordered_set<std::string> functions;  // KYV_200_100
    std::unordered_set<std::string> macros;     // KYV_200_60
    std::unordered_set<std::string> headers;    // KYV_200_120
    std::unordered_set<std::string> names;      // KYV_200_50
    std::string fingerprint;                    // the four lists, for the cache's key
};

// Reads the configuration file when `path` is non-empty (a file, or an
// installed profile's name as kyvld's -RULE takes it; one that cannot be
// opened is refused: false and `error` set), then takes the lists.
bool load_library_rules(const std::string& path, library_rules& rules, std::string& error);

// ",a,b," (a catalogue parameter) as its elements.
std::unordered_set<std::string> split_rule_list(const std::string& text);
