// Reads one xob file into the program model; ends the process with status 7
// when the file cannot be opened. Syntax errors are reported and the reader
// comes back, so the caller goes on with the next file.
#pragma once

void read_xob_file(const char* path);
