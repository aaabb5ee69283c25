#include "report/trap_message.h"

#include <cstring>
#include <string>

#include "report/output_text.h"
#include "report/xml_text.h"

namespace {

enum class placeholder { none, location, name, param };

// The placeholder that starts at text, with its length.
placeholder placeholder_at(const char* text, std::size_t* length) {
    static const struct {
        const char* spelling;
        placeholder kind;
    } PLACEHOLDERS[] = {
        {"%location%", placeholder::location},
        {"%name%", placeholder::name},
        {"%param%", placeholder::param},
    };
    for (const auto& entry : PLACEHOLDERS) {
        std::size_t size = std::strlen(entry.spelling);
        if (std::strncmp(text, entry.spelling, size) == 0) {
            *length = size;
            return entry.kind;
        }
    }
    return placeholder::none;
}

const char* text_or_empty(const char* text) { return text ? text : ""; }

void write_location(std::FILE* stream, const trap_message& message) {
    const char* second_path = text_or_empty(message.second_path);
    put_text("</TEXT>\n", stream);
    put_text("<LINK TARGET=\"", stream);
    // A link into the same file names no file. Both paths are mostly the
    // same interned name: equal pointers need no comparison.
    const char* full_path = text_or_empty(message.full_path);
    if (second_path != full_path && std::strcmp(second_path, full_path) != 0)
        write_xml(stream, second_path, xml_place::attribute_value);
    put_text(" line ", stream);
    write_number(stream, message.second_line);
    put_text("\">\n<TEXT STYLE=\"Link\" >", stream);
    write_xml(stream, second_path, xml_place::element_text);
    put_text(" line ", stream);
    write_number(stream, message.second_line);
    put_text("</TEXT></LINK>\n<TEXT> ", stream);
    if (message.second_row != 0) {
        put_text("row ", stream);
        write_number(stream, message.second_row);
        put_char(' ', stream);
    }
}

}  // namespace

void write_trap_message(std::FILE* stream, const trap_message& message) {
    std::string storage;
    const char* text = utf8_text(text_or_empty(message.message_template), storage);
    int next_name = 0;
    xml_text_state state;
    const char* run = text;  // start of the literal text not yet written
    for (const char* p = text; (p = std::strchr(p, '%'));) {
        std::size_t length = 0;
        placeholder kind = placeholder_at(p, &length);
        if (kind == placeholder::none) {
            ++p;
            continue;
        }
        write_xml_bytes(stream, run, p, xml_place::element_text, &state);
        switch (kind) {
            case placeholder::location:
                write_location(stream, message);
                state = xml_text_state();
                break;
            case placeholder::name:
                if (next_name < message.names.count && message.names.texts[next_name] &&
                    *message.names.texts[next_name]) {
                    put_char('\'', stream);
                    write_xml(stream, message.names.texts[next_name], xml_place::element_text);
                    put_char('\'', stream);
                    ++next_name;
                } else {
                    put_text("'?\?'", stream);
                }
                state = xml_text_state();
                break;
            case placeholder::param: {
                std::string param_storage;
                const char* param = utf8_text(text_or_empty(message.param), param_storage);
                write_xml_bytes(stream, param, param + std::strlen(param), xml_place::element_text,
                                &state);
                break;
            }
            case placeholder::none:
                break;
        }
        p += length;
        run = p;
    }
    write_xml_bytes(stream, run, run + std::strlen(run), xml_place::element_text, &state);
}

void print_trap_message(std::FILE* stream, const trap_message& message) {
    static const struct {
        const char* entity;
        char character;
    } ENTITIES[] = {{"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}};
    int next_name = 0;
    for (const char* p = text_or_empty(message.message_template); *p;) {
        std::size_t length = 0;
        switch (*p == '%' ? placeholder_at(p, &length) : placeholder::none) {
            case placeholder::location:
                std::fprintf(stream, "%s:%d row %-3d", text_or_empty(message.second_path),
                             message.second_line, message.second_row);
                p += length;
                continue;
            case placeholder::name:
                if (message.names.count == 0) put_text("%name%", stream);
                else if (next_name < message.names.count)
                    put_text(text_or_empty(message.names.texts[next_name++]), stream);
                p += length;
                continue;
            case placeholder::param:
                put_text(text_or_empty(message.param), stream);
                p += length;
                continue;
            case placeholder::none:
                break;
        }
        bool replaced = false;
        for (const auto& entry : ENTITIES) {
            if (*p != '&') break;
            std::size_t size = std::strlen(entry.entity);
            if (std::strncmp(p, entry.entity, size) == 0) {
                put_char(entry.character, stream);
                p += size;
                replaced = true;
                break;
            }
        }
        if (!replaced) putc_unlocked(*p++, stream);
    }
}
