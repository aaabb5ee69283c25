#include "kyvscan/xob_text.h"

namespace {

constexpr std::size_t max_value_bytes = 19998;

// Length of the longest prefix of `text` of at most `limit` bytes that does
// not end inside a UTF-8 sequence.
std::size_t utf8_cut(const std::string& text, std::size_t limit) {
    if (text.size() <= limit) return text.size();
    std::size_t cut = limit;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    return cut;
}

}  // namespace

std::string xob_attribute(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        const char* piece = nullptr;
        switch (c) {
        case '&': piece = "&amp;"; break;
        case '<': piece = "&lt;"; break;
        case '>': piece = "&gt;"; break;
        case '"': piece = "&quot;"; break;
        case '#': piece = "\xEF\xBC\x83"; break;
        default: break;
        }
        if (piece) {
            out += piece;
        } else if (byte < 0x20 || byte == 0x7F) {
            out += ' ';
        } else {
            out += c;
        }
    }
    std::size_t cut = utf8_cut(out, max_value_bytes);
    // Never leave half an entity behind the cut.
    std::size_t amp = out.rfind('&', cut ? cut - 1 : 0);
    if (cut < out.size() && amp != std::string::npos && out.find(';', amp) >= cut) cut = amp;
    out.resize(cut);
    return out;
}

void xob_writer::open(const char* tag) {
    text_ += '<';
    text_ += tag;
}

void xob_writer::attribute(const char* key, const std::string& value) {
    text_ += ' ';
    text_ += key;
    text_ += "=\"";
    text_ += xob_attribute(value);
    text_ += '"';
}

void xob_writer::attribute(const char* key, std::int64_t value) {
    text_ += ' ';
    text_ += key;
    text_ += "=\"";
    text_ += std::to_string(value);
    text_ += '"';
}

void xob_writer::begin_document(const std::string& xob_name, std::int64_t date,
                                const std::string& command) {
    text_ += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    open("xobj");
    attribute("filename", xob_name);
    attribute("date", date);
    attribute("command", command);
    text_ += ">\n";
}

void xob_writer::end_document() { text_ += "</xobj>\n"; }

void xob_writer::begin_source(const std::string& base_name, const std::string& full_name,
                              std::int64_t date, const std::string& content_hash, bool system,
                              int filenum) {
    open("sourcefile");
    attribute("filename", base_name);
    attribute("fullname", full_name);
    attribute("date", date);
    attribute("cle", content_hash);
    if (system) attribute("sysinclude", std::string("1"));
    attribute("filenum", filenum);
    text_ += ">\n";
}

void xob_writer::end_source() { text_ += "</sourcefile>\n"; }

void xob_writer::file_name(const std::string& full_name, bool system, int filenum) {
    open("filename");
    attribute("fullname", full_name);
    if (system) attribute("sysinclude", std::string("1"));
    attribute("filenum", filenum);
    text_ += "/>\n";
}

void xob_writer::position(const xob_position& where) {
    open("position");
    attribute("filenum", where.filenum);
    attribute("line", where.line);
    attribute("row", where.column);
    text_ += "/>\n";
}

void xob_writer::declare(const std::string& name, int level, const std::string& storage,
                         const xob_position& where) {
    open("declare");
    attribute("name", name);
    attribute("level", level);
    attribute("storageclass", storage);
    text_ += ">\n";
    position(where);
    text_ += "</declare>\n";
}

void xob_writer::define(const std::string& name, int level, const std::string& storage, int type,
                        const std::string& indirection, int scope, const xob_position& where) {
    open("define");
    attribute("name", name);
    attribute("level", level);
    attribute("storageclass", storage);
    attribute("type", type);
    attribute("indirection", indirection);
    attribute("scope", scope);
    text_ += ">\n";
    position(where);
    text_ += "</define>\n";
}

void xob_writer::field(const std::string& name, int struct_type, int type,
                       const std::string& indirection, const xob_position& where) {
    open("field");
    attribute("name", name);
    attribute("struct", struct_type);
    attribute("type", type);
    attribute("indirection", indirection);
    text_ += ">\n";
    position(where);
    text_ += "</field>\n";
}

void xob_writer::enumerator(const std::string& name, int enum_type, const xob_position& where) {
    open("enum");
    attribute("name", name);
    attribute("enum", enum_type);
    text_ += ">\n";
    position(where);
    text_ += "</enum>\n";
}

void xob_writer::typedef_name(const std::string& name, int level, int scope, int type, int base,
                              const std::string& indirection, const xob_position& where) {
    open("typedef");
    attribute("name", name);
    attribute("level", level);
    attribute("scope", scope);
    attribute("type", type);
    attribute("base", base);
    attribute("indirection", indirection);
    text_ += ">\n";
    position(where);
    text_ += "</typedef>\n";
}

void xob_writer::function_declaration(const std::string& name, const std::string& storage,
                                      const xob_position& where) {
    open("function");
    attribute("name", name);
    attribute("storageclass", storage);
    text_ += ">\n";
    position(where);
    text_ += "</function>\n";
}

void xob_writer::begin_function(const std::string& name, const std::string& fulldef,
                                const std::string& storage, const xob_position& start) {
    open("function");
    attribute("name", name);
    attribute("fulldef", fulldef);
    attribute("storageclass", storage);
    text_ += ">\n";
    position(start);
}

void xob_writer::end_function(const xob_position& end) {
    position(end);
    text_ += "</function>\n";
}

void xob_writer::reference(const char* mode, const std::string& name, const xob_position& declared,
                           const xob_position& used) {
    open("reference");
    attribute("mode", std::string(mode));
    text_ += ">\n";
    open("object");
    attribute("name", name);
    attribute("mode", std::string(mode));
    text_ += ">\n";
    position(declared);
    text_ += "</object>\n";
    position(used);
    text_ += "</reference>\n";
}

void xob_writer::trap(const char* rule, const std::string& text, const xob_position& where) {
    open("trap");
    attribute("name", std::string(rule));
    attribute("param", text);
    text_ += ">\n";
    position(where);
    text_ += "</trap>\n";
}

void xob_writer::justify(const std::string& rule, int lines, const std::string& comment, bool all,
                         const xob_position& where) {
    open("justify");
    attribute("name", rule);
    if (lines < 0)
        text_ += " nbline=\"everywhere\"";
    else
        attribute("nbline", lines);
    attribute("comment", comment);
    if (all) attribute("all", 1);
    text_ += ">\n";
    position(where);
    text_ += "</justify>\n";
}
