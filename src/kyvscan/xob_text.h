// The xob file as text: element by element into one buffer, the way kyvld's
// reader wants it (fixed attribute order, double-quoted values read verbatim).
#pragma once
#include <cstdint>
#include <string>

// An attribute value made safe for both readers: kyvld takes the characters
// between the quotes as they are, an XML parser decodes entities, so "&",
// "<", ">" and '"' are written as entities, control characters as blanks,
// and "#" (which kyvld's messages read as a separator of names) as U+FF03.
// Cut at the reader's limit of 19,998 bytes, never inside a UTF-8 sequence.
std::string xob_attribute(const std::string& text);

// One position of the second form: file number, line and column from 1.
struct xob_position {
    int filenum = 0;
    int line = 0;
    int column = 0;
    bool operator==(const xob_position& other) const {
        return filenum == other.filenum && line == other.line && column == other.column;
    }
};

// Appends elements to `text`. Each call writes one whole element or one tag.
class xob_writer {
public:
    explicit xob_writer(std::string& text) : text_(text) {}

    void begin_document(const std::string& xob_name, std::int64_t date, const std::string& command);
    void end_document();
    void begin_source(const std::string& base_name, const std::string& full_name, std::int64_t date,
                      const std::string& content_hash, bool system, int filenum);
    void end_source();
    void file_name(const std::string& full_name, bool system, int filenum);
    void position(const xob_position& where);
    void declare(const std::string& name, int level, const std::string& storage,
                 const xob_position& where);
    void define(const std::string& name, int level, const std::string& storage, int type,
                const std::string& indirection, int scope, const xob_position& where);
    void field(const std::string& name, int struct_type, int type, const std::string& indirection,
               const xob_position& where);
    void enumerator(const std::string& name, int enum_type, const xob_position& where);
    void typedef_name(const std::string& name, int level, int scope, int type, int base,
                      const std::string& indirection, const xob_position& where);
    void function_declaration(const std::string& name, const std::string& storage,
                              const xob_position& where);
    void begin_function(const std::string& name, const std::string& fulldef,
                        const std::string& storage, const xob_position& start);
    void end_function(const xob_position& end);
    void reference(const char* mode, const std::string& name, const xob_position& declared,
                   const xob_position& used);
    void trap(const char* rule, const std::string& text, const xob_position& where);
    void justify(const std::string& rule, int lines, const std::string& comment, bool all,
                 const xob_position& where);

private:
    void open(const char* tag);
    void attribute(const char* key, const std::string& value);
    void attribute(const char* key, std::int64_t value);

    std::string& text_;
};
