// The parameter handlers of the rules that take a parameter, and the two
// values that the identifier similarity checks read from them.
#include <climits>
#include <cstdlib>
#include <cstring>

#include "model/arena.h"
#include "rules/rule_catalogue.h"

std::int32_t significant_length = 31;
unsigned char confusion_map[256] = {};

const char* define_linknamelength(const char* text) {
    // Read as a decimal number with leading blanks and a sign, stopping at
    // the first other character; out-of-range values are clamped rather than
    // overflowing, and a negative length, which no prefix can have, counts
    // as 0 like a text without digits.
    if (!text) text = "";
    long long value = std::strtoll(text, nullptr, 10);
    if (value < 0) value = 0;
    if (value > INT32_MAX) value = INT32_MAX;
    significant_length = static_cast<std::int32_t>(value);
    return arena_strdup(text);
}

const char* define_ambigus_char_set(const char* text) {
    if (!text) text = "";
    std::memset(confusion_map, 0, sizeof confusion_map);
    const unsigned char* c = reinterpret_cast<const unsigned char*>(text);
    while (*c != '\0') {
        unsigned char representative = *c;
        for (; *c != '\0' && *c != ','; ++c)
            if (confusion_map[*c] == 0) confusion_map[*c] = representative;
        if (*c == ',') ++c;
    }
    for (int byte = 0; byte < 256; ++byte)
        if (confusion_map[byte] == 0) confusion_map[byte] = static_cast<unsigned char>(byte);
    return arena_strdup(text);
}

const char* memolistecsv(const char* text) {
    if (!text) text = "";
    char* list = static_cast<char*>(arena_alloc(std::strlen(text) + 3));
    char* out = list;
    *out++ = ',';
    for (const char* c = text; *c != '\0'; ++c)
        if (*c != ' ' && *c != '\t') *out++ = *c;
    *out++ = ',';
    *out = '\0';
    return list;
}
