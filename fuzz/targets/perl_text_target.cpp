// The Perl text writer: any name or path must come back byte for byte when
// Perl reads the double-quoted string, and must neither end the string early
// nor interpolate. The target reads the string back by Perl's rules for
// double-quoted strings, where only an escaped character is taken as itself.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz_support.h"
#include "report/perl_text.h"

namespace {

// The text a Perl double-quoted string stands for, or a broken property.
std::string perl_reads(const std::string& quoted) {
    if (quoted.size() < 2 || quoted.front() != '"' || quoted.back() != '"')
        broken("quoting", "not one double-quoted string");
    std::string text;
    for (std::size_t i = 1; i + 1 < quoted.size(); ++i) {
        char c = quoted[i];
        if (c == '"') broken("quoting", "the string ends early at byte " + std::to_string(i));
        if (c == '$' || c == '@') broken("quoting", "interpolation at byte " + std::to_string(i));
        if (c == '\\') {
            // Escapes other than these four stand for other bytes (\n, \x41, \u ...).
            char next = quoted[i + 1];
            if (i + 2 == quoted.size() || (next != '"' && next != '\\' && next != '$' && next != '@'))
                broken("quoting", "a backslash that Perl reads as an escape at byte " + std::to_string(i));
            c = next;
            ++i;
        }
        text += c;
    }
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    text = text.c_str();
    static written_text written;
    write_perl_string(written.open(), text.c_str());
    std::string quoted = written.close();
    if (perl_reads(quoted) != text) broken("quoting", "the text does not come back whole");
    return 0;
}
