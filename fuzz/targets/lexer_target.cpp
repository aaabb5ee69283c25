// The mark-up lexer over both vocabularies: every input ends in end of input,
// each token is a piece of the input taken in order, every line end is
// counted exactly once, and the kinds are those of the active vocabulary.
// STRG tokens also go through the value conversions the readers apply.
#include <cstdint>
#include <cstdio>
#include <string>

#include "fuzz_support.h"
#include "parse/lexer.h"
#include "parse/token_values.h"

namespace {

bool known_kind(vocabulary vocab, int kind) {
    if (kind >= 1 && kind <= 255) return true;  // a stray character inside a tag
    if (kind == NUL_CHARACTER_TOKEN || (kind >= SXML && kind <= STRG)) return true;
    int last = vocab == vocabulary::xob ? static_cast<int>(ASTRUCT) : static_cast<int>(PARAM);
    return kind > STRG && kind <= last;
}

void scan(std::string& input, vocabulary vocab) {
    // From memory: opening a file per input would cost more than the scan.
    std::FILE* stream = fmemopen(&input[0], input.size(), "rb");
    if (!stream) std::abort();
    const char* path = "input";
    active_vocabulary = vocab;
    line_counter = 0;
    lexer_open(stream, path);
    std::size_t position = 0;
    std::size_t tokens = 0;
    int kind;
    while ((kind = next_token()) != 0) {
        if (++tokens > input.size()) broken("lexer", "more tokens than input bytes");
        if (!known_kind(vocab, kind)) broken("lexer", "unknown token kind " + std::to_string(kind));
        token_name(vocab, kind);
        std::string text(current_token_text(), static_cast<std::size_t>(current_token_length()));
        std::size_t found = input.find(text, position);
        if (text.empty() || found == std::string::npos)
            broken("lexer", "token " + std::to_string(tokens) + " is no later piece of the input");
        position = found + text.size();
        if (kind == STRG) {
            if (string_value(text.c_str(), static_cast<int>(text.size())).size() != text.size() - 2)
                broken("string value", "not the characters between the quotes");
            number_value(text.c_str());
        }
    }
    if (next_token() != 0 || current_token_length() != 0)
        broken("lexer", "end of input is not final");
    std::size_t line_ends = 0;
    for (char c : input) line_ends += c == '\n';
    if (static_cast<std::size_t>(line_counter) != line_ends)
        broken("lexer", std::to_string(line_counter) + " lines counted, " + std::to_string(line_ends) + " read");
    lexer_close();
    std::fclose(stream);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string input(reinterpret_cast<const char*>(data), size);
    scan(input, vocabulary::xob);
    scan(input, vocabulary::configuration);
    active_vocabulary = vocabulary::xob;
    return 0;
}
