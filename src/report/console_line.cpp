#include "report/console_line.h"

#include "report/output_text.h"
#include "report/report_tables.h"
#include "report/trap_message.h"

bool console_echo_allowed(int silent_level, int trap_node_number) {
    return silent_level < 0 || silent_level >= trap_node_number;
}

void format_trap_line(std::FILE* stream, const char* short_name, int line, int row,
                      const char* rule_name, int level, const char* message_template,
                      const char* second_path, int second_line, int second_row, trap_names names,
                      const char* param) {
    char position[32];
    std::snprintf(position, sizeof position, "%d:%d]", line, row);
    std::fprintf(stream, "[%s:%-9s %s %s: ", short_name ? short_name : "", position,
                 rule_name ? rule_name : "", display_of(level).state);
    trap_message message{message_template, nullptr,   second_path, second_line,
                         second_row,       names,     param};
    print_trap_message(stream, message);
    put_char('\n', stream);
}

void print_trap_line(const char* short_name, int line, int row, const char* rule_name, int level,
                     const char* message_template, const char* second_path, int second_line,
                     int second_row, trap_names names, const char* param) {
    format_trap_line(stdout, short_name, line, row, rule_name, level, message_template,
                     second_path, second_line, second_row, names, param);
}
