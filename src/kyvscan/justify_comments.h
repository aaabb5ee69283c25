// Justifications written in the sources as comments. A comment whose text
// starts with "kyv-justify" (after blanks) reads
//     kyv-justify RULE [LINES|everywhere] [all] : REASON
// RULE names the rule by identifier or label, LINES (default 0) the number of
// lines after the comment's line that it covers, "all" makes it justify every
// trap in that range instead of the first, and REASON is what the report
// shows. Anything else after "kyv-justify" is malformed and reported with its
// position, never dropped in silence.
//
// The words in detail: "kyv-justify" is followed by a blank or the comment's
// end ("kyv-justifyX" is no justification at all); RULE is a word of
// letters, digits and '_'; LINES a decimal number up to 1000000; the ':' is
// required and REASON must not be empty. A comment holds at most one
// "kyv-justify". Control characters count as blanks. Each line of a block
// comment loses its leading blanks and one '*', and the lines are joined with
// one blank, so a reason may continue over several lines. Malformed ones are
// reported at the comment's start, with one short message.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

struct justification {
    int line = 0;            // of the comment's start, from 1
    int column = 0;          // of the comment's start ("/" of "//" or "/*"), from 1
    std::string rule;        // identifier or label as written
    int lines = 0;           // -1 for "everywhere"
    bool all = false;
    std::string reason;      // trimmed, non-empty, no control characters
};

struct malformed_justification {
    int line = 0;
    int column = 0;
    std::string message;     // e.g. "justification without a reason after ':'"
};

struct justification_scan {
    std::vector<justification> justifications;     // in source order
    std::vector<malformed_justification> malformed;
};

// Scans C source text for justification comments: both comment forms,
// skipping string and character literals, with backslash-newline joins; a
// comment left open at the end of the text still counts. NUL bytes and
// invalid UTF-8 are ordinary bytes. Lines are counted by line feeds; a
// backslash before a line feed (or before CR LF) joins the lines first, as a
// C compiler does. A literal left open ends at its line's end; a ' inside a
// number is a digit separator. Line and column stop at INT_MAX.
justification_scan scan_justifications(const char* text, std::size_t length);
