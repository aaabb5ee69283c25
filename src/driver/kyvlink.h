// The program's entry: runs every phase once, in order.
#pragma once

// Invalid memory access: prints "core =>exit" and ends with status 1.
[[noreturn]] void crash_handler(int signal_number);

// Writes "message : detail \n" to standard output (the xob reader's diagnostics).
void print_pair(const char* message, const char* detail);

// True when a report name ends, from its last dot, in exactly ".c" or ".cpp".
bool is_source_file_name(const char* file_name);
