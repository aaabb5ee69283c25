#include "parse/token_values.h"

#include <cstdint>
#include <cstring>

std::string string_value(const char* token_text, int token_length) {
    if (token_length < 2) return std::string();
    return std::string(token_text + 1, static_cast<std::size_t>(token_length - 2));
}

std::int32_t number_value(const char* token_text) {
    const char* p = *token_text == '"' ? token_text + 1 : token_text;
    while (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n' || *p == '\v' || *p == '\f') ++p;
    bool negative = *p == '-';
    if (*p == '-' || *p == '+') ++p;
    const std::int64_t limit = negative ? -static_cast<std::int64_t>(INT32_MIN) : INT32_MAX;
    std::int64_t magnitude = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        magnitude = magnitude * 10 + (*p - '0');
        if (magnitude > limit) magnitude = limit;
    }
    return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

void quoted_characters(const char* token_text, int token_length, const char** start,
                       std::size_t* count) {
    *start = "";
    *count = 0;
    if (token_length < 2) return;
    const char* inner = token_text + 1;
    auto inner_length = static_cast<std::size_t>(token_length - 2);
    if (const void* nul = std::memchr(inner, '\0', inner_length))
        inner_length = static_cast<std::size_t>(static_cast<const char*>(nul) - inner);
    *start = inner;
    *count = inner_length;
}

std::int32_t line_count_number(const char* token_text) {
    return std::strcmp(token_text, "\"everywhere\"") == 0 ? -1 : number_value(token_text);
}
