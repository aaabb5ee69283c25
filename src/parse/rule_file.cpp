#include "parse/rule_file.h"

#include <cstdio>

#include "messages/messages.h"
#include "messages/text_conversion.h"
#include "model/arena.h"
#include "parse/lexer.h"
#include "parse/token_values.h"
#include "rules/rule_catalogue.h"

namespace {

void reset_pending_options(rule_file_reader& reader) {
    reader.pending = pending_rule_options();
    reader.last_number_value = -1;
}

}  // namespace

void take_string_value(rule_file_reader& reader) {
    reader.last_string_value =
        string_value(current_token_text(reader.lexer), current_token_length(reader.lexer));
}

void take_number_value(rule_file_reader& reader) {
    reader.last_number_value = number_value(current_token_text(reader.lexer));
}

void take_text_option(rule_file_reader& reader, std::string& option, const char* option_name) {
    if (!option.empty())
        std::fprintf(stderr, "%s option already set\n", option_name);
    else
        option = reader.last_string_value;
}

void take_number_option(rule_file_reader& reader, std::int32_t& option, const char* option_name) {
    if (option >= 0)
        std::fprintf(stderr, "%s option already set\n", option_name);
    else
        option = reader.last_number_value;
}

void note_attribute_name(rule_file_reader& reader) {
    reader.last_attribute_name.assign(current_token_text(reader.lexer),
                                      current_token_length(reader.lexer));
}

// Like any attribute outside the vocabulary, a repeated `focus` is silent;
// its first value stays, as for the known options.
void take_other_option(rule_file_reader& reader) {
    if (reader.last_attribute_name != "focus" || !reader.pending.focus.empty()) return;
    reader.pending.focus =
        string_value(current_token_text(reader.lexer), current_token_length(reader.lexer));
}

void begin_group(rule_file_reader& reader) {
    reader.group_labels.push_back(reader.pending.label);
    reader.current_group_label = reader.pending.label;
    reset_pending_options(reader);
}

void end_group(rule_file_reader& reader) {
    if (!reader.group_labels.empty()) reader.group_labels.pop_back();
    reader.current_group_label =
        reader.group_labels.empty() ? std::string() : reader.group_labels.back();
}

void configure_pending_rule(rule_file_reader& reader) {
    const pending_rule_options& options = reader.pending;
    rule_entry* configured =
        rule_configure(options.name.c_str(), options.label.c_str(), options.errmsg.c_str(),
                       options.param.c_str(), options.severity, options.repeat,
                       reader.current_group_label.c_str());
    if (configured && !options.focus.empty())
        configured->focus = arena_strdup(options.focus.c_str());
    reset_pending_options(reader);
}

void read_rule_file(const char* path) {
    std::FILE* stream = std::fopen(path, "r");
    if (!stream) fatal("Fatal Error", "Cannot open config file %1", "", as_is(path));
    markup_lexer lexer;
    lexer.vocab = vocabulary::configuration;
    lexer_open(lexer, stream, path);
    rule_file_reader reader(lexer);
    conf_parse(reader);
    lexer_close(lexer);
    std::fclose(stream);
}
