// Rule names: a report shows the identifier (KYV_<n>_<m>) unless the rule
// configuration gave the rule a label, which then stands alone.
#include "kyvreport/rule_book.h"

#include <regex>

#include "rules/rule_catalogue.h"

namespace {

bool is_identifier(const std::string& name) {
    static const std::regex pattern("KYV_[0-9]+_[0-9]+");
    return std::regex_match(name, pattern);
}

}  // namespace

const char* level_name(result_level level) {
    switch (level) {
        case result_level::error: return "error";
        case result_level::warning: return "warning";
        case result_level::note: return "note";
    }
    return "warning";
}

int rule_book::index_of(const std::string& shown_name) {
    const auto found = by_shown_name_.find(shown_name);
    if (found != by_shown_name_.end()) return found->second;
    rule_row row;
    row.id = shown_name;
    if (!is_identifier(shown_name)) row.label = shown_name;
    rows_.push_back(row);
    const int index = static_cast<int>(rows_.size()) - 1;
    by_shown_name_[shown_name] = index;
    return index;
}

int rule_book::index_of_absent(const std::string& id, result_level level) {
    const auto shown = by_shown_name_.find(id);
    if (shown != by_shown_name_.end()) return shown->second;
    const auto found = by_absent_id_.find(id);
    if (found != by_absent_id_.end()) return found->second;
    rule_row row;
    row.id = id;
    row.level = level;
    row.level_known = true;
    rows_.push_back(row);
    const int index = static_cast<int>(rows_.size()) - 1;
    by_absent_id_[id] = index;
    return index;
}

void rule_book::learn_level(const std::string& shown_name, trap_state state) {
    rule_row& row = at(index_of(shown_name));
    if (row.level_known) return;
    if (state == trap_state::error) row.level = result_level::error;
    else if (state == trap_state::warning) row.level = result_level::warning;
    else if (state == trap_state::info) row.level = result_level::note;
    else return;
    row.level_known = true;
}

void rule_book::learn_group(int index, const std::string& group) {
    rule_row& row = at(index);
    if (row.group.empty()) row.group = group;
}

void rule_book::settle_levels() {
    for (rule_row& row : rows_) {
        if (row.level_known || !row.label.empty()) continue;
        if (const rule_entry* entry = rule_by_identifier(row.id.c_str())) {
            row.level = entry->severity >= SEVERITY_ERROR ? result_level::error
                        : entry->severity == SEVERITY_WARNING ? result_level::warning
                                                              : result_level::note;
            row.level_known = true;
        }
    }
}

void rule_book::clear_counts() {
    for (rule_row& row : rows_) row.results = row.justified = 0;
}
