// The actions of the xob grammar, kept out of the grammar file so that it
// reads as the grammar alone.
#pragma once
#include <cstdint>
#include <string>

struct markup_lexer;
struct xob_node;

// What an attribute value is, when a parser value is one.
enum : std::uint8_t {
    NOT_ATTRIBUTE = 0,
    STRING_ATTRIBUTE = 1,
    NUMBER_ATTRIBUTE = 2,
};

// A parser value: a model node, an attribute value, or none. A block list
// also carries its last node, so appending a block costs no walk along the
// list. Attribute values are held here rather than in nodes: they die with
// the action that reads them, and most elements have several.
struct xob_value {
    xob_node* node;
    union {
        xob_node* tail;       // a block list
        struct name* text;    // STRING_ATTRIBUTE: the interned text
        std::int32_t number;  // NUMBER_ATTRIBUTE
    };
    // A function's start: whether it opened a scope that its end must close
    // (not when the function is open already, written again inside itself).
    bool opened_scope;
    std::uint8_t attribute;  // NOT_ATTRIBUTE, STRING_ATTRIBUTE or NUMBER_ATTRIBUTE
};

xob_value string_attribute(struct name* text);
xob_value number_attribute(std::int32_t number);

// The generated parser, reading one file from `lexer`: 0 when the file was
// accepted. The form without a lexer reads from the default lexer.
int xob_parse(markup_lexer& lexer);
int xob_parse();
// The trace name of a token code, from the generated tables.
const char* xob_token_name(int code);
// "error in xob file ... !!!" on standard output, quoting the lexer's token;
// the line itself, for a reading thread to record.
void xob_syntax_error(const markup_lexer& lexer);
std::string xob_syntax_error_line(const markup_lexer& lexer);

xob_value no_value();
// Prints "label : <current token text> " for content outside the vocabulary.
xob_value diagnostic(const markup_lexer& lexer, const char* label);

// Attribute values read from the current STRG token.
xob_value string_attribute_value(const markup_lexer& lexer);
xob_value number_attribute_value(const markup_lexer& lexer);
xob_value line_count_value(const markup_lexer& lexer);

xob_value append_block(xob_value list, xob_value block);

xob_value act_module(xob_value xob);
xob_value act_position_by_name(xob_value file_name, xob_value full_path, xob_value line,
                               xob_value row);
xob_value act_position_by_number(xob_value file_number, xob_value line, xob_value row);
xob_value act_define(xob_value name, xob_value level, xob_value storage, xob_value type,
                     xob_value indirection, xob_value scope, xob_value& position);
xob_value act_field(xob_value name, xob_value struct_number, xob_value type,
                    xob_value indirection, xob_value& position);
xob_value act_enum(xob_value name, xob_value enum_number, xob_value& position);
xob_value act_typedef(xob_value name, xob_value level, xob_value scope, xob_value type,
                      xob_value base, xob_value indirection, xob_value& position);
xob_value act_declare(xob_value name, xob_value level, xob_value storage, xob_value& position);
xob_value act_file(xob_value full_path, xob_value system, xob_value file_number,
                   xob_value version);
xob_value act_source_start(xob_value file_name, xob_value full_path, xob_value date,
                           xob_value key, xob_value system, xob_value file_number,
                           xob_value version);
xob_value act_source_end(xob_value file_name, xob_value full_path, xob_value date,
                         xob_value key, xob_value system, xob_value file_number,
                         xob_value version, xob_value source, xob_value blocks);
xob_value act_function_declaration(xob_value name, xob_value storage, xob_value& position);
xob_value act_function_start(xob_value name, xob_value fulldef, xob_value storage,
                             xob_value& position);
xob_value act_function_end(xob_value name, xob_value fulldef, xob_value storage,
                           xob_value function, xob_value blocks, xob_value end_position);
xob_value act_xob_start(xob_value file_name, xob_value date, xob_value command);
xob_value act_xob_end(xob_value file_name, xob_value date, xob_value command, xob_value xob,
                      xob_value blocks);
xob_value act_object(xob_value name, xob_value mode, xob_value& position);
xob_value act_reference(xob_value mode, xob_value object, xob_value position);
xob_value act_justify(xob_value name, xob_value line_count, xob_value comment, xob_value all,
                      xob_value position);
xob_value act_trap(xob_value name, xob_value param, xob_value position,
                   xob_value second_position);
