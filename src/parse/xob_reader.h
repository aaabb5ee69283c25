#pragma once
#include <cstdio>

struct xob_node;

// Reads one xob file into the model, scanning it as the parser asks.
void read_xob_file(const char* path);

// What follows the parse of a file, given the parser's status and the scope
// that was open before it: a file abandoned by a syntax error or a stack
// overflow leaves nothing open.
void finish_xob_file(int parse_status, xob_node* outer_scope);

// Opens an xob file for reading: null when it is missing, unreadable or a
// directory (which opens but cannot be read).
std::FILE* open_xob_stream(const char* path);

// The end of reading a file that cannot be opened, with its message.
[[noreturn]] void xob_file_unopenable(const char* path);
