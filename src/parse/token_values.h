// Values of STRG tokens as both readers take them from the current token text.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// The characters between the quotes, verbatim and whole (NUL bytes included).
std::string string_value(const char* token_text, int token_length);

// The decimal integer after the opening quote: leading white space, an
// optional sign, digits up to the first other character; 0 without digits.
// A value beyond the 32-bit range is held at its nearest end instead of
// overflowing.
std::int32_t number_value(const char* token_text);

// The characters of a string token between its quotes, up to a NUL byte
// (which ends the C text a name is kept as): where they start and how many.
// A token shorter than its two quotes has none.
void quoted_characters(const char* token_text, int token_length, const char** start,
                       std::size_t* count);

// A line count: -1 for "everywhere" (lower case only), else the number.
std::int32_t line_count_number(const char* token_text);
