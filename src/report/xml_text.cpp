#include "report/xml_text.h"

#include <QByteArray>
#include <QString>
#include <charconv>
#include <cstring>

#include <stdio_ext.h>

#include "report/output_text.h"
#include "report/plain_run.h"

namespace {

bool is_legal_character(unsigned long code) {
    return code == 0x9 || code == 0xA || code == 0xD || (code >= 0x20 && code <= 0xD7FF) ||
           (code >= 0xE000 && code <= 0xFFFD) || (code >= 0x10000 && code <= 0x10FFFF);
}

bool is_forbidden_control(unsigned char byte) {
    return byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r';
}

// U+FFFE and U+FFFF are valid UTF-8 but no XML characters.
bool is_non_character(const unsigned char* p, const unsigned char* end) {
    return end - p >= 3 && p[0] == 0xEF && p[1] == 0xBF && (p[2] == 0xBE || p[2] == 0xBF);
}

std::size_t numeric_reference_length(const char* text, const char* end) {
    const char* p = text + 2;  // after "&#"
    bool hex = p < end && *p == 'x';
    if (hex) ++p;
    const char* digits = p;
    unsigned long code = 0;
    for (; p < end; ++p) {
        int digit;
        if (*p >= '0' && *p <= '9') digit = *p - '0';
        else if (hex && *p >= 'a' && *p <= 'f') digit = *p - 'a' + 10;
        else if (hex && *p >= 'A' && *p <= 'F') digit = *p - 'A' + 10;
        else break;
        code = code * (hex ? 16 : 10) + static_cast<unsigned long>(digit);
        if (code > 0x10FFFF) return 0;
    }
    if (p == digits || p >= end || *p != ';' || !is_legal_character(code)) return 0;
    return static_cast<std::size_t>(p + 1 - text);
}

}  // namespace

void unlocked_output(std::FILE* stream) { __fsetlocking(stream, FSETLOCKING_BYCALLER); }

const char* utf8_text(const char* text, std::string& storage) {
    const char* end = text + std::strlen(text);
    if (ascii_run_end(text, end) == end) return text;  // ASCII is the same in every encoding met here
    QByteArray converted = QString::fromLocal8Bit(text).toUtf8();
    storage.assign(converted.constData(), static_cast<std::size_t>(converted.size()));
    return storage.c_str();
}

std::size_t reference_length(const char* text, const char* end) {
    static const char* const ENTITIES[] = {"&amp;", "&lt;", "&gt;", "&quot;", "&apos;"};
    std::size_t available = static_cast<std::size_t>(end - text);
    for (const char* entity : ENTITIES) {
        std::size_t length = std::strlen(entity);
        if (available >= length && std::memcmp(text, entity, length) == 0) return length;
    }
    if (available >= 2 && text[1] == '#') return numeric_reference_length(text, end);
    return 0;
}

void write_xml_bytes(std::FILE* stream, const char* text, const char* end, xml_place place,
                     xml_text_state* state) {
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    const auto* stop = reinterpret_cast<const unsigned char*>(end);
    while (p < stop) {
        // Most texts are names and paths: write each run of bytes that need
        // no care in one call instead of one character at a time.
        if (place != xml_place::comment) {
            const auto* run = reinterpret_cast<const unsigned char*>(
                plain_run_end(reinterpret_cast<const char*>(p), end, false));
            if (run > p) {
                put_bytes(reinterpret_cast<const char*>(p), static_cast<std::size_t>(run - p), stream);
                state->closing_brackets = 0;
                p = run;
                continue;
            }
        }
        unsigned char byte = *p;
        if (is_forbidden_control(byte)) {
            ++p;
            continue;
        }
        if (is_non_character(p, stop)) {
            p += 3;
            continue;
        }
        if (place == xml_place::comment) {
            if (byte == '-' && state->hyphen) put_char(' ', stream);
            state->hyphen = byte == '-';
            put_char(byte, stream);
            ++p;
            continue;
        }
        std::size_t reference = 0;
        if (byte == '&') reference = reference_length(reinterpret_cast<const char*>(p), end);
        if (reference > 0) {
            put_bytes(reinterpret_cast<const char*>(p), reference, stream);
            p += reference;
        } else if (byte == '&') {
            put_text("&amp;", stream);
            ++p;
        } else if (byte == '<') {
            put_text("&lt;", stream);
            ++p;
        } else if (byte == '"' && place == xml_place::attribute_value) {
            put_text("&quot;", stream);
            ++p;
        } else if (byte == '>' && state->closing_brackets >= 2 &&
                   place == xml_place::element_text) {
            put_text("&gt;", stream);
            ++p;
        } else {
            put_char(byte, stream);
            ++p;
        }
        state->closing_brackets = byte == ']' ? state->closing_brackets + 1 : 0;
    }
}

void write_xml(std::FILE* stream, const char* text, xml_place place) {
    if (!text) return;
    xml_text_state state;
    const char* end = text + std::strlen(text);
    // Nearly every text is ASCII without markup: one piece after one scan.
    // (Plain bytes include "-", which a comment must look at.)
    const char* plain_end = plain_run_end(text, end, true);
    if (plain_end == end && place != xml_place::comment) {
        put_bytes(text, static_cast<std::size_t>(end - text), stream);
        return;
    }
    // ASCII is written from where it is.
    if (ascii_run_end(plain_end, end) == end) {
        write_xml_bytes(stream, text, end, place, &state);
        return;
    }
    std::string storage;
    const char* converted = utf8_text(text, storage);
    write_xml_bytes(stream, converted, converted + storage.size(), place, &state);
}

void write_escaped(std::FILE* stream, const char* text) {
    if (!text) return;
    std::string storage;
    const char* converted = utf8_text(text, storage);
    const auto* p = reinterpret_cast<const unsigned char*>(converted);
    const auto* end = p + std::strlen(converted);
    for (; p < end; ++p) {
        switch (*p) {
            case '"': put_text("&quot;", stream); break;
            case '&': put_text("&amp;", stream); break;
            case '\'': put_text("&apos;", stream); break;
            case '<': put_text("&lt;", stream); break;
            case '>': put_text("&gt;", stream); break;
            default:
                if (is_non_character(p, end)) p += 2;
                else if (!is_forbidden_control(*p)) put_char(*p, stream);
        }
    }
}

void write_number(std::FILE* stream, long long value) {
    // Straight into the buffer when it has room for any number: the copy
    // from a local array was a library call of its own, 3% of a run
    // writing 300,000 traps.
    constexpr std::ptrdiff_t MOST_DIGITS = 24;
    if (stream->_IO_write_end - stream->_IO_write_ptr > MOST_DIGITS) {
        char* at = stream->_IO_write_ptr;
        stream->_IO_write_ptr = std::to_chars(at, at + MOST_DIGITS, value).ptr;
        return;
    }
    char digits[MOST_DIGITS];
    std::to_chars_result end = std::to_chars(digits, digits + sizeof digits, value);
    put_bytes(digits, static_cast<std::size_t>(end.ptr - digits), stream);
}
