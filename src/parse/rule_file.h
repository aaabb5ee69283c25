// The rule configuration reader: parses the file named by -RULE and applies
// each rule element to the rule catalogue, with the label of its group.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct markup_lexer;

// Reads the configuration file and configures the catalogue. Comes back also
// after a syntax error (rules configured before it stay); a file that cannot
// be opened ends the process with status 7.
void read_rule_file(const char* path);

// Options of the element being read: texts empty and numbers -1 while not
// given. An option counts as given once its text is non-empty or its number
// is 0 or more; a second value for a given option is refused.
struct pending_rule_options {
    std::string name;
    std::string label;
    std::string errmsg;
    std::string param;
    std::string focus;  // the `focus` attribute, outside the specified vocabulary
    std::int32_t severity = -1;
    std::int32_t repeat = -1;
};

// One reading of a configuration file: its lexer and what the actions keep
// between elements. Values are kept whole and groups nest as deep as the
// parser stack allows.
struct rule_file_reader {
    explicit rule_file_reader(markup_lexer& lexer) : lexer(lexer) {}

    markup_lexer& lexer;
    pending_rule_options pending;
    std::string last_string_value;
    std::string last_attribute_name;  // of the newest attribute outside the vocabulary
    std::int32_t last_number_value = -1;
    std::string current_group_label;        // category of the rules read now
    std::vector<std::string> group_labels;  // one per open group, innermost last
};

// Grammar actions of the configuration parser.
void take_string_value(rule_file_reader& reader);  // the current STRG token, without its quotes
void take_number_value(rule_file_reader& reader);  // the current STRG token read as a number
// Stores the last value in an option unless it was given already, in which
// case "<option_name> option already set" goes to standard error.
void take_text_option(rule_file_reader& reader, std::string& option, const char* option_name);
void take_number_option(rule_file_reader& reader, std::int32_t& option, const char* option_name);
// An attribute outside the vocabulary: ignored, but for a rule's `focus`.
void note_attribute_name(rule_file_reader& reader);  // at its name (IDNT)
void take_other_option(rule_file_reader& reader);    // at its value
void begin_group(rule_file_reader& reader);  // at the > of a group: its label becomes the category
void end_group(rule_file_reader& reader);    // at its close: the enclosing group's label comes back
void configure_pending_rule(rule_file_reader& reader);  // at the /> of a rule

// The generated parser (conf_grammar.y), reading from the reader's lexer: 0
// when the file was accepted. The form without a reader reads the default
// lexer with a reader of its own.
int conf_parse(rule_file_reader& reader);
int confparse();
// Name of a token code in the parser's own tables, as its trace prints it.
const char* conf_token_name(int code);
