// What kyvreport takes from a review report: the summary table, the file,
// function and trap nodes, and the rule sections. Texts are UTF-8, with the
// report's entities already decoded.
#pragma once
#include <string>
#include <vector>

// How a trap shows in the report; justified traps keep their rule's level
// only through the rule table.
enum class trap_state { error, warning, justified, info };

struct report_summary {
    std::string title;          // the DOCUMENT's title: the report file's name
    std::string configuration;  // "(null)" when the run named none
    std::string generated;      // generation time text
    long long analysed_files = -1;   // -1: the row is missing
    long long files_with_traps = -1;
    long long errors = -1;
    long long warnings = -1;
    // Rows the run's header file added, as name/value pairs in order.
    std::vector<std::pair<std::string, std::string>> extra_rows;
};

struct file_node {
    std::string short_name;
    std::string full_path;
};

struct function_node {
    std::string name;
    long long line = 0;
};

// The second position of a trap, from its message's location link.
struct related_position {
    bool present = false;
    std::string full_path;
    long long line = 0;
    long long row = 0;
};

struct trap_node {
    std::string rule;   // the name the report shows: label or identifier
    std::string group;
    trap_state state = trap_state::warning;
    long long line = 0;
    long long row = 0;  // 0: the report gives no column
    std::string message;              // as shown, without the state prefix
    std::vector<std::string> names;   // the quoted names of the message
    related_position related;
    // With a second position: the message's texts before and after the
    // link that names it (the link's own text is path, line and row).
    std::string before_link, after_link;
    std::string comment;              // justification, empty when none
};

// A rule row of the statistics section: its icon tells the severity.
struct rule_statistic {
    std::string rule;
    trap_state state = trap_state::warning;
};

// Receives the report's nodes in document order.
class report_events {
public:
    virtual ~report_events() = default;
    virtual void on_summary(const report_summary& summary) = 0;
    virtual void on_file_start(const file_node& file) = 0;
    virtual void on_file_end() = 0;
    // Function nodes nest when the report nests them.
    virtual void on_function_start(const function_node& function) = 0;
    virtual void on_function_end() = 0;
    virtual void on_trap(const trap_node& trap) = 0;
    // Whether on_trap reads more than the rule, group and state: the reader
    // skips the position, message and justification of a trap otherwise.
    virtual bool wants_trap_texts() const { return true; }
    virtual void on_rule_statistic(const rule_statistic& statistic) = 0;
    virtual void on_deactivated_rule(const std::string& rule) = 0;
};
