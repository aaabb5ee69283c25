// The rules of one conversion: what each rule name of the report stands for
// (identifier, label, group, level) and how many results of it are written.
// Filled while the report is surveyed, read while the outputs are written.
#pragma once
#include <map>
#include <string>
#include <vector>

#include "kyvreport/report_model.h"

enum class result_level { error, warning, note };

const char* level_name(result_level level);  // "error", "warning", "note"

struct rule_row {
    std::string id;     // the identifier, or the label where the report shows no identifier
    std::string label;  // "" when the report shows the identifier
    std::string group;
    result_level level = result_level::warning;
    bool level_known = false;
    long long results = 0;    // written results, justified ones included
    long long justified = 0;
    long long absent = 0;     // absent results of the baseline
    // Whether the outputs list the rule: some result names it.
    bool listed() const { return results > 0 || absent > 0; }
};

class rule_book {
public:
    // The index of the rule a report shows under this name, made on first use.
    int index_of(const std::string& shown_name);
    // A rule that only a baseline's absent result names.
    int index_of_absent(const std::string& id, result_level level);

    // What an unjustified trap or a statistics row tells of the rule's level.
    void learn_level(const std::string& shown_name, trap_state state);
    void learn_group(int index, const std::string& group);
    // Rules whose traps are all justified take the built-in catalogue's level.
    void settle_levels();

    rule_row& at(int index) { return rows_[static_cast<size_t>(index)]; }
    const std::vector<rule_row>& rows() const { return rows_; }
    void clear_counts();

private:
    std::vector<rule_row> rows_;
    std::map<std::string, int> by_shown_name_;
    std::map<std::string, int> by_absent_id_;
};
