// The justification scanner: any text gives justifications whose words are
// whole, and messages, each at the start of a comment in the text, in order.
#include <algorithm>
#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "kyvscan/justify_comments.h"

namespace {

// Offsets of each line's first byte, lines counted by line feeds.
std::vector<std::size_t> line_starts(const char* text, std::size_t size) {
    std::vector<std::size_t> starts{0};
    for (std::size_t i = 0; i < size; ++i)
        if (text[i] == '\n') starts.push_back(i + 1);
    return starts;
}

// The position must be a '/' of the text, and come after `previous`; its
// offset joins `seen`.
void check_position(const char* what, int line, int column, const char* text, std::size_t size,
                    const std::vector<std::size_t>& starts, std::size_t* previous,
                    std::vector<std::size_t>* seen) {
    std::string where = std::to_string(line) + ":" + std::to_string(column);
    if (line < 1 || static_cast<std::size_t>(line) > starts.size()) broken(what, "line out of the text " + where);
    std::size_t offset = starts[line - 1] + static_cast<std::size_t>(column) - 1;
    if (column < 1 || offset >= size || text[offset] != '/') broken(what, "not at a comment " + where);
    if (*previous != SIZE_MAX && offset <= *previous) broken(what, "out of order at " + where);
    *previous = offset;
    seen->push_back(offset);
}

bool is_word_char(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const char* text = reinterpret_cast<const char*>(data);
    justification_scan scan = scan_justifications(text, size);
    std::vector<std::size_t> starts = line_starts(text, size);
    std::size_t previous = SIZE_MAX;
    std::vector<std::size_t> seen;
    for (const justification& j : scan.justifications) {
        check_position("justification", j.line, j.column, text, size, starts, &previous, &seen);
        if (j.rule.empty()) broken("justification", "empty rule");
        for (char c : j.rule)
            if (!is_word_char(c)) broken("justification", "rule " + j.rule);
        if (j.lines < -1 || j.lines > 1000000) broken("justification", "lines " + std::to_string(j.lines));
        if (j.reason.empty() || j.reason.front() == ' ' || j.reason.back() == ' ')
            broken("justification", "reason not trimmed: '" + j.reason + "'");
        for (char c : j.reason)
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) broken("justification", "control in reason");
    }
    previous = SIZE_MAX;
    for (const malformed_justification& m : scan.malformed) {
        check_position("malformed", m.line, m.column, text, size, starts, &previous, &seen);
        if (m.message.empty() || m.message.size() > 120) broken("malformed", "message '" + m.message + "'");
        for (char c : m.message)
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) broken("malformed", "control in message");
    }
    // A comment is one thing: never both a justification and a malformed one.
    std::sort(seen.begin(), seen.end());
    if (std::adjacent_find(seen.begin(), seen.end()) != seen.end()) broken("scan", "one comment read twice");
    return 0;
}
