// Texts taken from input files, written into the Perl cross-reference as
// double-quoted strings: scripts load that file with do or eval, so no name
// or path may end its string early or interpolate a variable.
#pragma once
#include <cstdio>

// Writes the text between double quotes with '"', '\', '$' and '@' escaped,
// so that Perl reads back exactly its bytes; a null text is the empty string.
void write_perl_string(std::FILE* stream, const char* text);
