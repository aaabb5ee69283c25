// Justification comments: the C text with its lines joined as a compiler
// joins them, a walk that finds the comments outside literals, and the reading
// of one comment's words.
#include "kyvscan/justify_comments.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <utility>

namespace {

const char KEYWORD[] = "kyv-justify";
const std::size_t KEYWORD_LENGTH = sizeof KEYWORD - 1;
const long MAX_LINES = 1000000;
// Longest word quoted in a message; longer ones are cut.
const std::size_t QUOTED_LENGTH = 40;

// The text with every backslash-newline removed, and where each removal was:
// logical offset of the byte after it, and the bytes removed up to there.
struct joined_text {
    std::string text;
    std::vector<std::pair<std::size_t, std::size_t>> joins;

    std::size_t original_offset(std::size_t offset) const {
        auto after = std::upper_bound(joins.begin(), joins.end(), std::make_pair(offset, SIZE_MAX));
        return after == joins.begin() ? offset : offset + std::prev(after)->second;
    }
};

joined_text join_lines(const char* text, std::size_t length) {
    joined_text joined;
    joined.text.reserve(length);
    std::size_t removed = 0;
    for (std::size_t i = 0; i < length; ++i) {
        if (text[i] == '\\') {
            std::size_t width = 0;
            if (i + 1 < length && text[i + 1] == '\n') width = 2;
            else if (i + 2 < length && text[i + 1] == '\r' && text[i + 2] == '\n') width = 3;
            if (width) {
                removed += width;
                joined.joins.emplace_back(joined.text.size(), removed);
                i += width - 1;
                continue;
            }
        }
        joined.text += text[i];
    }
    return joined;
}

// Line and column of increasing offsets into the original text, counted as
// the walk goes so that the whole scan stays linear.
class position_counter {
public:
    position_counter(const char* text) : text_(text) {}
    void at(std::size_t offset, int* line, int* column) {
        for (; scanned_ < offset; ++scanned_) {
            if (text_[scanned_] == '\n') {
                ++lines_before_;
                line_start_ = scanned_ + 1;
            }
        }
        *line = static_cast<int>(std::min<std::size_t>(lines_before_ + 1, INT_MAX));
        *column = static_cast<int>(std::min<std::size_t>(offset - line_start_ + 1, INT_MAX));
    }

private:
    const char* text_;
    std::size_t scanned_ = 0;
    std::size_t lines_before_ = 0;
    std::size_t line_start_ = 0;
};

bool is_blank(char c) { return c == ' '; }
bool is_control(char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_word_char(char c) {
    return is_digit(c) || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
// Identifier characters as the walk sees them: UTF-8 letters included.
bool is_identifier_char(char c) { return is_word_char(c) || static_cast<unsigned char>(c) >= 0x80; }

std::string trimmed(const std::string& text) {
    std::size_t begin = text.find_first_not_of(' ');
    if (begin == std::string::npos) return "";
    return text.substr(begin, text.find_last_not_of(' ') + 1 - begin);
}

// A comment's text as its words are read: control characters as blanks and,
// for a block comment, each line without its leading blanks and one '*',
// the lines joined by one blank.
std::string comment_words(const std::string& body, bool block) {
    std::string words;
    std::size_t start = 0;
    do {
        std::size_t end = block ? body.find('\n', start) : std::string::npos;
        if (end == std::string::npos) end = body.size();
        std::string line = body.substr(start, end - start);
        for (char& c : line)
            if (is_control(c)) c = ' ';
        if (block) {
            line = trimmed(line);
            if (!line.empty() && line[0] == '*') line = trimmed(line.substr(1));
            if (!line.empty() && !words.empty()) words += ' ';
        }
        words += line;
        start = end + 1;
    } while (start <= body.size());
    return words;
}

bool keyword_at(const std::string& words, std::size_t i) {
    return words.compare(i, KEYWORD_LENGTH, KEYWORD) == 0 &&
           (i + KEYWORD_LENGTH == words.size() || is_blank(words[i + KEYWORD_LENGTH]));
}

// A word for a message: cut at QUOTED_LENGTH bytes, not inside a UTF-8 sequence.
std::string quoted(const std::string& word) {
    if (word.size() <= QUOTED_LENGTH) return "'" + word + "'";
    std::size_t cut = QUOTED_LENGTH;
    while (cut > 0 && (static_cast<unsigned char>(word[cut]) & 0xC0) == 0x80) --cut;
    return "'" + word.substr(0, cut) + "...'";
}

// The number of lines a word gives, or -1 when it is no number, -2 when too large.
long line_count(const std::string& word) {
    long value = 0;
    for (char c : word) {
        if (!is_digit(c)) return -1;
        value = value * 10 + (c - '0');
        if (value > MAX_LINES) return -2;
    }
    return value;
}

enum class reading { none, justification, malformed };

// Reads one comment's words; "" in `message` when it is a justification.
reading read_comment(const std::string& words, justification* found, std::string* message) {
    std::size_t i = words.find_first_not_of(' ');
    if (i == std::string::npos || !keyword_at(words, i)) return reading::none;
    i += KEYWORD_LENGTH;
    auto next_word = [&]() {
        while (i < words.size() && is_blank(words[i])) ++i;
        std::size_t start = i;
        while (i < words.size() && !is_blank(words[i]) && words[i] != ':') ++i;
        return words.substr(start, i - start);
    };
    std::string rule = next_word();
    if (rule.empty()) {
        *message = "justification without a rule";
        return reading::malformed;
    }
    if (!std::all_of(rule.begin(), rule.end(), is_word_char)) {
        *message = "justification rule is not a word: " + quoted(rule);
        return reading::malformed;
    }
    found->rule = rule;
    bool range_given = false;
    for (std::string word = next_word(); !word.empty(); word = next_word()) {
        if (word == "all" && !found->all) {
            found->all = true;
        } else if (!range_given && !found->all && word == "everywhere") {
            found->lines = -1;
            range_given = true;
        } else if (!range_given && !found->all) {
            long lines = line_count(word);
            if (lines == -1) *message = "justification line count is not a number: " + quoted(word);
            if (lines == -2) *message = "justification line count is over 1000000: " + quoted(word);
            if (lines < 0) return reading::malformed;
            found->lines = static_cast<int>(lines);
            range_given = true;
        } else {
            *message = "justification has an unexpected word before ':': " + quoted(word);
            return reading::malformed;
        }
    }
    if (i == words.size()) {
        *message = "justification without ':' and a reason";
        return reading::malformed;
    }
    std::string reason = trimmed(words.substr(i + 1));
    if (reason.empty()) {
        *message = "justification without a reason after ':'";
        return reading::malformed;
    }
    for (std::size_t k = 0; k < reason.size(); ++k) {
        if ((k == 0 || is_blank(reason[k - 1])) && keyword_at(reason, k)) {
            *message = "more than one justification in one comment";
            return reading::malformed;
        }
    }
    found->reason = std::move(reason);
    return reading::justification;
}

// Offset just past the literal opened by the quote at `start`: its closing
// quote, or its line's end when it has none.
std::size_t literal_end(const std::string& text, std::size_t start) {
    char quote = text[start];
    std::size_t i = start + 1;
    while (i < text.size() && text[i] != quote && text[i] != '\n') i += text[i] == '\\' ? 2 : 1;
    if (i >= text.size()) return text.size();
    return text[i] == quote ? i + 1 : i;
}

}  // namespace

justification_scan scan_justifications(const char* text, std::size_t length) {
    justification_scan scan;
    if (!text) return scan;
    joined_text joined = join_lines(text, length);
    const std::string& s = joined.text;
    position_counter positions(text);
    // The token the walk is in: an identifier or a number (pp-number) whose
    // ' and sign characters are its own, not a literal or an operator.
    enum class token { other, identifier, number } in = token::other;
    std::size_t i = 0;
    while (i < s.size()) {
        char c = s[i];
        if (in == token::number) {
            bool sign = (c == '+' || c == '-') && std::string("eEpP").find(s[i - 1]) != std::string::npos;
            bool separator = c == '\'' && i + 1 < s.size() && is_identifier_char(s[i + 1]);
            if (is_identifier_char(c) || c == '.' || sign || separator) {
                ++i;
                continue;
            }
        } else if (in == token::identifier && is_identifier_char(c)) {
            ++i;
            continue;
        }
        in = token::other;
        if (is_digit(c) || (c == '.' && i + 1 < s.size() && is_digit(s[i + 1]))) {
            in = token::number;
            ++i;
        } else if (is_identifier_char(c)) {
            in = token::identifier;
            ++i;
        } else if (c == '"' || c == '\'') {
            i = literal_end(s, i);
        } else if (c == '/' && i + 1 < s.size() && (s[i + 1] == '/' || s[i + 1] == '*')) {
            bool block = s[i + 1] == '*';
            std::size_t body = i + 2;
            std::size_t end = s.find(block ? "*/" : "\n", body);
            if (end == std::string::npos) end = s.size();
            justification found;
            std::string message;
            reading result = read_comment(comment_words(s.substr(body, end - body), block), &found, &message);
            if (result != reading::none) {
                int line, column;
                positions.at(joined.original_offset(i), &line, &column);
                if (result == reading::justification) {
                    found.line = line;
                    found.column = column;
                    scan.justifications.push_back(std::move(found));
                } else {
                    scan.malformed.push_back({line, column, std::move(message)});
                }
            }
            i = block && end < s.size() ? end + 2 : end;
        } else {
            ++i;
        }
    }
    return scan;
}
