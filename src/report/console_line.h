// The console trap lines of the report phase, limited by the silent level.
#pragma once
#include <cstdio>

#include "model/report_sink.h"

// True when a trap whose node would get the given number is echoed: every trap
// for a negative level, else the traps numbered up to the level.
bool console_echo_allowed(int silent_level, int trap_node_number);

// "[f.c:12:5]     KYV_160_20 Error: message" on the given stream.
void format_trap_line(std::FILE* stream, const char* short_name, int line, int row,
                      const char* rule_name, int level, const char* message_template,
                      const char* second_path, int second_line, int second_row, trap_names names,
                      const char* param);

// format_trap_line on standard output.
void print_trap_line(const char* short_name, int line, int row, const char* rule_name, int level,
                     const char* message_template, const char* second_path, int second_line,
                     int second_row, trap_names names, const char* param);
