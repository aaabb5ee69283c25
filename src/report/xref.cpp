#include "report/xref.h"

#include <cstdint>
#include <cstdio>

#include "messages/messages.h"
#include "messages/text_conversion.h"
#include "model/file_table.h"
#include "model/name_table.h"
#include "model/xob_node.h"
#include "report/output_file.h"
#include "report/output_text.h"
#include "report/perl_text.h"
#include "report/xml_text.h"

namespace {

const char* const xref_head =
    "#This is a generated file. Do not edit.\n"
    "$namefield=0; # this field provide the name\n"
    "$filefield=1; # this field provide the @files index\n"
    "$linefield=2; # this field provide the line in the file\n"
    "$scopefield=3;# this field provide the scope. see definition\n"
    "$typefield=4; #this field provide the @types index or @basetypes index when negative.\n"
    "$indirectfield=5; #* pointer,  [ array, ........\n"
    "$lastfield=5;\n"
    "\n"
    "\n"
    "\n"
    "#scopefield definition\n"
    "$scopeglobal=0;\n"
    "$scopelocal=1;\n"
    "$scopeglobalstatic=2;\n"
    "$scopelocalstatic=3;\n"
    "$scopeparameter=4;\n"
    "$scopelast=4;\n"
    "\n"
    "#or structure name or structure type involving this member\n"
    "\n"
    "#used basetypes\n"
    "\n";

// Indexed by minus the type number of a basic type; 0 is not a type.
const char* const base_types[] = {
    "",
    "struct",
    "union",
    "class",
    "enum",
    "char",
    "signed char",
    "unsigned char",
    "short int",
    "unsigned short int",
    "int",
    "unsigned int",
    "long int",
    "unsigned long int",
    "long long int",
    "unsigned long long int",
    "float",
    "double",
    "long double",
    "imaginary",
    "complex",
    "bool",
    "void",
};
constexpr int BASE_TYPE_LAST = sizeof base_types / sizeof base_types[0] - 1;

void write_base_types(std::FILE* out) {
    put_text("@basetypes=(\"\", # unused \n", out);
    for (int type = 1; type < BASE_TYPE_LAST; ++type)
        std::fprintf(out, "\"%s\", # -%d\n", base_types[type], type);
    std::fprintf(out, "\"%s\" # -%d\n", base_types[BASE_TYPE_LAST], BASE_TYPE_LAST);
    put_text(");\n", out);
}

// One array being written: rows after the first start on a new line.
struct perl_array {
    std::FILE* out;
    bool has_rows = false;

    perl_array(std::FILE* stream, const char* array_name) : out(stream) {
        std::fprintf(out, "%s=(", array_name);
    }
    ~perl_array() { put_text(");\n\n", out); }

    std::FILE* row() {
        if (has_rows) put_text(",\n      ", out);
        has_rows = true;
        return out;
    }
};

// Name, file index and line, the start of every row but those of @files.
// Call placeholders have no position: file -1, line 0.
void write_named_item(std::FILE* out, const xob_node* node) {
    put_char('[', out);
    write_perl_string(out, name_text(node->name));
    const xob_node* position = node->position;
    std::fprintf(out, ",%d,%d", position ? position->file : -1, position ? position->line : 0);
}

void write_indirection(std::FILE* out, const xob_node* node) {
    put_char(',', out);
    write_perl_string(out, name_text(node->indirection));
    put_char(']', out);
}

void write_files(std::FILE* out) {
    perl_array files(out, "@files");
    for (std::int32_t index = 0; const xob_node* source = file_source(index); ++index) {
        std::FILE* row = files.row();
        put_char('[', row);
        write_perl_string(row, name_text(source->full_path));
        std::fprintf(row, ",%d]", source->system_include ? 1 : 0);
    }
}

void write_types(std::FILE* out) {
    perl_array types(out, "@types");
    for (std::int32_t index = 0; const xob_node* type = typedef_at(index); ++index) {
        std::FILE* row = types.row();
        write_named_item(row, type);
        // Twice a level read from input may not fit 32 bits.
        std::fprintf(row, ",%lld,%d", 2LL * type->level, type->old_type_index);
        write_indirection(row, type);
    }
}

void write_enums(std::FILE* out) {
    perl_array enums(out, "@enums");
    for (const xob_node* item = enum_list.head; item; item = item->next_enum) {
        std::FILE* row = enums.row();
        write_named_item(row, item);
        std::fprintf(row, ",%d]", item->type_index);
    }
}

void write_fields(std::FILE* out) {
    perl_array fields(out, "@fields");
    for (const xob_node* field = field_list.head; field; field = field->next_field) {
        std::FILE* row = fields.row();
        write_named_item(row, field);
        std::fprintf(row, ",%d,%d", field->struct_type_index, field->type_index);
        write_indirection(row, field);
    }
}

void write_vars(std::FILE* out) {
    perl_array vars(out, "@vars");
    for (const xob_node* definition = definition_list.head; definition;
         definition = definition->next_definition) {
        std::FILE* row = vars.row();
        write_named_item(row, definition);
        std::fprintf(row, ",%d,%d", definition->scope_code, definition->type_index);
        write_indirection(row, definition);
    }
}

void write_functions(std::FILE* out) {
    perl_array functions(out, "@fcts");
    for (const xob_node* function = function_list.head; function;
         function = function->next_function) {
        std::FILE* row = functions.row();
        write_named_item(row, function);
        put_char(']', row);
    }
}

}  // namespace

void write_xref(const char* path) {
    std::FILE* out = open_output_file(path);
    if (!out) fatal("Fatal Error", "Cannot open xref file %1", "", as_is(path));
    unlocked_output(out);
    put_text(xref_head, out);
    write_base_types(out);
    write_files(out);
    write_types(out);
    write_enums(out);
    write_fields(out);
    write_vars(out);
    write_functions(out);
    put_text("1;\n", out);
    bool failed = std::ferror(out) != 0;
    failed = std::fclose(out) != 0 || failed;
    if (failed) fatal("Fatal Error", "Cannot write xref file %1", "", as_is(path));
}
