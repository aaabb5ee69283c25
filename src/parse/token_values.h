// Values of STRG tokens as both readers take them from the current token text.
#pragma once
#include <cstdint>
#include <string>

// The characters between the quotes, verbatim and whole (NUL bytes included).
std::string string_value(const char* token_text, int token_length);

// The decimal integer after the opening quote: leading white space, an
// optional sign, digits up to the first other character; 0 without digits.
// A value beyond the 32-bit range is held at its nearest end instead of
// overflowing.
std::int32_t number_value(const char* token_text);
