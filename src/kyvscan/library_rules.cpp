#include "kyvscan/library_rules.h"

#include <cstdio>

#include "parse/rule_file.h"
#include "parse/rule_file_path.h"
#include "rules/rule_catalogue.h"

namespace {

std::unordered_set<std::string> active_list(const char* identifier) {
    const rule_entry* rule = rule_by_identifier(identifier);
    if (!rule || rule->severity == SEVERITY_INFO) return {};
    return split_rule_list(rule_param(rule_number_of(rule)));
}

}  // namespace

std::unordered_set<std::string> split_rule_list(const std::string& text) {
    std::unordered_set<std::string> items;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t comma = text.find(',', start);
        if (comma == std::string::npos) comma = text.size();
        if (comma > start) items.insert(text.substr(start, comma - start));
        start = comma + 1;
    }
    return items;
}

bool load_library_rules(const std::string& path, library_rules& rules, std::string& error) {
    if (!path.empty()) {
        const std::string file = rule_file_path(path, running_program_folder());
        // The reader ends the process on a file it cannot open; say it here.
        std::FILE* probe = std::fopen(file.c_str(), "r");
        if (!probe) {
            error = "cannot open configuration file " + path;
            return false;
        }
        std::fclose(probe);
        read_rule_file(file.c_str());
    }
    rules_finalise();
    rules.functions = active_list("KYV_200_100");
    rules.macros = active_list("KYV_200_60");
    rules.headers = active_list("KYV_200_120");
    rules.names = active_list("KYV_200_50");
    for (const char* identifier : {"KYV_200_100", "KYV_200_60", "KYV_200_120", "KYV_200_50"}) {
        const rule_entry* rule = rule_by_identifier(identifier);
        rules.fingerprint += identifier;
        rules.fingerprint += rule->severity == SEVERITY_INFO ? "=off:" : "=on:";
        rules.fingerprint += rule_param(rule_number_of(rule));
        rules.fingerprint += '\n';
    }
    return true;
}
