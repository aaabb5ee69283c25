// Writing texts that come from input files, the configuration file or the
// header file into the report, so that the report stays well-formed UTF-8 XML
// while ordinary texts come out byte for byte as they were read.
#pragma once
#include <cstddef>
#include <cstdio>
#include <string>

// Where a text lands in the document; each place forbids other characters.
enum class xml_place {
    element_text,     // "<" and stray "&" escaped, "]]>" broken up
    attribute_value,  // "<", stray "&" and '"' escaped; "]]>" is legal here
    comment,          // markup stays; "--" gets a blank between the hyphens
};

// Carries what the previous piece of one text ended with, so that a text
// written in pieces is escaped as if it were written at once.
struct xml_text_state {
    int closing_brackets = 0;  // "]" just written, for the "]]>" check
    bool hyphen = false;       // "-" just written, for the "--" check
};

// Length of the predefined entity or legal character reference that starts at
// text ("&amp;", "&#60;", "&#x3C;"), or 0 when the "&" begins none.
std::size_t reference_length(const char* text, const char* end);

// Writes the bytes [text, end), already UTF-8, for the given place; drops
// the characters that XML 1.0 forbids.
void write_xml_bytes(std::FILE* stream, const char* text, const char* end, xml_place place,
                     xml_text_state* state);

// The text in UTF-8: the text itself when it is ASCII, nearly every text,
// or else its conversion kept in `storage`, whole (to_utf8 keeps at most
// one pool buffer of a text, and a long compile command, comment or
// template must not lose its end).
const char* utf8_text(const char* text, std::string& storage);

// An output file written by one thread only: its calls take no lock (the
// buffer is open_output_file's).
void unlocked_output(std::FILE* stream);

// Converts the text to UTF-8 and writes it for the given place; null writes nothing.
void write_xml(std::FILE* stream, const char* text, xml_place place);

// Converts to UTF-8 and escapes every markup character (", &, ', <, >): the
// DOCUMENT attributes and the report-file cell. Null writes nothing.
void write_escaped(std::FILE* stream, const char* text);

// Writes the number in decimal, as "%d" would.
void write_number(std::FILE* stream, long long value);
