#pragma once
#include <cstdio>

class tape_source;

// Reads one xob file into the model, scanning it as the parser asks.
void read_xob_file(const char* path);

// Reads one xob file into the model from a tape of its tokens scanned
// elsewhere (token_tape.h); the outputs are those of read_xob_file.
void read_taped_xob_file(const char* path, tape_source& tokens);

// Opens an xob file for reading: null when it is missing, unreadable or a
// directory (which opens but cannot be read).
std::FILE* open_xob_stream(const char* path);

// The end of reading a file that cannot be opened, with its message.
[[noreturn]] void xob_file_unopenable(const char* path);
