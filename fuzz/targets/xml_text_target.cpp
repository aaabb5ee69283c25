// The XML text writer: any text from an input file, written into element
// text, an attribute value or a comment, and through the markup escaping,
// must keep the report well-formed. The target checks the written bytes
// itself against the XML 1.0 productions for each place.
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz_start.h"
#include "fuzz_support.h"
#include "messages/text_conversion.h"
#include "report/xml_text.h"

namespace {

// Decodes one UTF-8 sequence at text[i]; 0 when it is not well-formed
// (overlong forms, surrogates and values past U+10FFFF included).
std::size_t utf8_length(const std::string& text, std::size_t i, unsigned long* code) {
    unsigned char lead = static_cast<unsigned char>(text[i]);
    std::size_t length;
    unsigned long min;
    if (lead < 0x80) { *code = lead; return 1; }
    if (lead >= 0xC2 && lead <= 0xDF) { length = 2; *code = lead & 0x1F; min = 0x80; }
    else if (lead >= 0xE0 && lead <= 0xEF) { length = 3; *code = lead & 0x0F; min = 0x800; }
    else if (lead >= 0xF0 && lead <= 0xF4) { length = 4; *code = lead & 0x07; min = 0x10000; }
    else return 0;
    if (text.size() - i < length) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        unsigned char next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0) != 0x80) return 0;
        *code = (*code << 6) | (next & 0x3F);
    }
    if (*code < min || *code > 0x10FFFF || (*code >= 0xD800 && *code <= 0xDFFF)) return 0;
    return length;
}

bool is_xml_char(unsigned long code) {
    return code == 0x9 || code == 0xA || code == 0xD || (code >= 0x20 && code <= 0xD7FF) ||
           (code >= 0xE000 && code <= 0xFFFD) || (code >= 0x10000 && code <= 0x10FFFF);
}

// Length of a well-formed reference at text[i] ("&" included), or 0: one of
// the five predefined entities, or a character reference to an XML Char.
std::size_t checked_reference(const std::string& text, std::size_t i) {
    static const char* const ENTITIES[] = {"&amp;", "&lt;", "&gt;", "&quot;", "&apos;"};
    for (const char* entity : ENTITIES)
        if (text.compare(i, std::char_traits<char>::length(entity), entity) == 0)
            return std::char_traits<char>::length(entity);
    if (text.compare(i, 2, "&#") != 0) return 0;
    std::size_t p = i + 2;
    bool hex = p < text.size() && text[p] == 'x';
    if (hex) ++p;
    std::size_t digits = p;
    unsigned long code = 0;
    for (; p < text.size() && std::isxdigit(static_cast<unsigned char>(text[p])); ++p) {
        if (!hex && !std::isdigit(static_cast<unsigned char>(text[p]))) break;
        code = code * (hex ? 16 : 10) + std::stoul(std::string(1, text[p]), nullptr, 16);
        if (code > 0x10FFFF) return 0;
    }
    if (p == digits || p >= text.size() || text[p] != ';' || !is_xml_char(code)) return 0;
    return p + 1 - i;
}

// The written bytes must be UTF-8 XML characters, with the markup rules of place.
void check_written(const std::string& out, xml_place place, const char* where) {
    for (std::size_t i = 0; i < out.size();) {
        unsigned long code;
        std::size_t length = utf8_length(out, i, &code);
        if (length == 0) broken(where, "not UTF-8 at byte " + std::to_string(i));
        if (!is_xml_char(code)) broken(where, "character " + std::to_string(code) + " is no XML Char");
        char c = out[i];
        if (place == xml_place::comment) {
            // The report always follows the text with a blank or a line end.
            if (c == '-' && i + 1 < out.size() && out[i + 1] == '-') broken(where, "\"--\" in a comment");
        } else {
            if (c == '<') broken(where, "\"<\" in markup text");
            if (c == '&' && checked_reference(out, i) == 0)
                broken(where, "\"&\" that begins no reference at byte " + std::to_string(i));
            if (place == xml_place::attribute_value && c == '"') broken(where, "'\"' in an attribute");
            if (place == xml_place::element_text && out.compare(i, 3, "]]>") == 0)
                broken(where, "\"]]>\" in element text");
        }
        i += length;
    }
}

template <class Write>
std::string written(Write write) {
    static written_text text;
    write(text.open());
    return text.close();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    start_like_kyvld();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Texts reach the writer as C strings: the input's first NUL ends it.
    std::string text(reinterpret_cast<const char*>(data), size);
    text = text.c_str();
    const xml_place places[] = {xml_place::element_text, xml_place::attribute_value, xml_place::comment};
    const char* names[] = {"element text", "attribute value", "comment"};
    for (int k = 0; k < 3; ++k) {
        check_written(written([&](std::FILE* s) { write_xml(s, text.c_str(), places[k]); }), places[k],
                      names[k]);
        // A text written in two pieces, cut between characters, stays as safe.
        xml_text_state state;
        std::string storage;
        std::string utf8 = utf8_text(text.c_str(), storage);
        std::size_t cut = utf8.size() / 2;
        while (cut > 0 && (static_cast<unsigned char>(utf8[cut]) & 0xC0) == 0x80) --cut;
        std::string pieces = written([&](std::FILE* s) {
            write_xml_bytes(s, utf8.data(), utf8.data() + cut, places[k], &state);
            write_xml_bytes(s, utf8.data() + cut, utf8.data() + utf8.size(), places[k], &state);
        });
        check_written(pieces, places[k], names[k]);
    }
    check_written(written([&](std::FILE* s) { write_escaped(s, text.c_str()); }),
                  xml_place::attribute_value, "escaped text");
    // The rotating conversion buffers always hold a whole, terminated UTF-8 text.
    std::string converted = to_utf8(text.c_str());
    if (converted.size() >= static_cast<std::size_t>(CONVERSION_BUFFER_SIZE))
        broken("to_utf8", "result of " + std::to_string(converted.size()) + " bytes");
    for (std::size_t i = 0; i < converted.size();) {
        unsigned long code;
        std::size_t length = utf8_length(converted, i, &code);
        if (length == 0) broken("to_utf8", "not UTF-8 at byte " + std::to_string(i));
        i += length;
    }
    return 0;
}
