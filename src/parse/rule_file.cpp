#include "parse/rule_file.h"

#include <cstdio>

#include "messages/messages.h"
#include "messages/text_conversion.h"
#include "parse/lexer.h"
#include "parse/token_values.h"
#include "rules/rule_catalogue.h"

pending_rule_options pending_options;
std::string last_string_value;
std::int32_t last_number_value = -1;
std::string current_group_label;
std::vector<std::string> group_labels;

namespace {

void reset_pending_options() {
    pending_options = pending_rule_options();
    last_number_value = -1;
}

}  // namespace

void take_string_value(const markup_lexer& lexer) {
    last_string_value = string_value(current_token_text(lexer), current_token_length(lexer));
}

void take_number_value(const markup_lexer& lexer) {
    last_number_value = number_value(current_token_text(lexer));
}

void take_text_option(std::string& option, const char* option_name) {
    if (!option.empty())
        std::fprintf(stderr, "%s option already set\n", option_name);
    else
        option = last_string_value;
}

void take_number_option(std::int32_t& option, const char* option_name) {
    if (option >= 0)
        std::fprintf(stderr, "%s option already set\n", option_name);
    else
        option = last_number_value;
}

void begin_group() {
    group_labels.push_back(pending_options.label);
    current_group_label = pending_options.label;
    reset_pending_options();
}

void end_group() {
    if (!group_labels.empty()) group_labels.pop_back();
    current_group_label = group_labels.empty() ? std::string() : group_labels.back();
}

void configure_pending_rule() {
    rule_configure(pending_options.name.c_str(), pending_options.label.c_str(),
                   pending_options.errmsg.c_str(), pending_options.param.c_str(),
                   pending_options.severity, pending_options.repeat, current_group_label.c_str());
    reset_pending_options();
}

void read_rule_file(const char* path) {
    std::FILE* stream = std::fopen(path, "r");
    if (!stream) fatal("Fatal Error", "Cannot open config file %1", "", as_is(path));
    reset_pending_options();
    last_string_value.clear();
    current_group_label.clear();
    group_labels.clear();
    markup_lexer lexer;
    lexer.vocab = vocabulary::configuration;
    lexer_open(lexer, stream, path);
    conf_parse(lexer);
    lexer_close(lexer);
    std::fclose(stream);
}
