// Writes a fuzzing dictionary for each vocabulary from the lexer's own
// keyword tables, so that a keyword added there reaches the campaigns:
//   make_dict <out dir>   writes xob.dict, conf.dict and markup.dict (both).
#include <cstdio>
#include <string>

#include "parse/keywords.h"

namespace {

// One dictionary line: the value in double quotes, with " and \ escaped and
// other bytes than printable ASCII written as \xNN.
void entry(std::FILE* out, const std::string& value) {
    std::fputc('"', out);
    for (char c : value) {
        unsigned char byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') std::fputc('\\', out);
        if (byte < 0x20 || byte > 0x7E)
            std::fprintf(out, "\\x%02X", byte);
        else
            std::fputc(c, out);
    }
    std::fputs("\"\n", out);
}

void write_vocabulary(std::FILE* out, vocabulary vocab) {
    auto elements = element_table(vocab);
    for (std::size_t i = 0; i < elements.count; ++i) {
        std::string name = elements.entries[i].name;
        entry(out, "<" + name);
        entry(out, "</" + name);
        entry(out, "</" + name + ">");
    }
    auto attributes = attribute_table(vocab);
    for (std::size_t i = 0; i < attributes.count; ++i)
        entry(out, std::string(" ") + attributes.entries[i].name + "=\"");
}

// The lexer's own mark-up, common to both vocabularies.
void write_markup(std::FILE* out) {
    for (const char* text : {"<?xml version=\"1.0\"?>", "<?xml", "?>", "/>", ">", "</>", "<!--", "-->",
                             "=\"", "\"", "\n"})
        entry(out, text);
}

bool write_file(const std::string& path, bool xob, bool conf) {
    std::FILE* out = std::fopen(path.c_str(), "w");
    if (!out) return false;
    write_markup(out);
    if (xob) write_vocabulary(out, vocabulary::xob);
    if (conf) write_vocabulary(out, vocabulary::configuration);
    return std::fclose(out) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: make_dict <out dir>\n", stderr);
        return 2;
    }
    std::string dir = argv[1];
    bool ok = write_file(dir + "/xob.dict", true, false) && write_file(dir + "/conf.dict", false, true) &&
              write_file(dir + "/markup.dict", true, true);
    return ok ? 0 : 1;
}
