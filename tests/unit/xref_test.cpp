#include "report/xref.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "model/file_table.h"
#include "model/name_table.h"
#include "model/xob_node.h"
#include "perl_eval.h"

namespace {

// The model is process-wide; each test here writes a model of its own and
// puts back the one it found, so other tests see no difference.
class XrefFile : public ::testing::Test {
protected:
    void SetUp() override {
        saved_files = file_table;
        saved_file_count = file_table_size;
        saved_typedefs = typedef_table;
        saved_typedef_count = typedef_table_size;
        saved_lists[0] = definition_list;
        saved_lists[1] = function_list;
        saved_lists[2] = enum_list;
        saved_lists[3] = field_list;
        file_table = {};
        file_table_size = 0;
        typedef_table = {};
        typedef_table_size = 0;
        definition_list = function_list = enum_list = field_list = {};
        path = scratch_path("xref_test.pl");
    }
    void TearDown() override {
        file_table = saved_files;
        file_table_size = saved_file_count;
        typedef_table = saved_typedefs;
        typedef_table_size = saved_typedef_count;
        definition_list = saved_lists[0];
        function_list = saved_lists[1];
        enum_list = saved_lists[2];
        field_list = saved_lists[3];
        std::remove(path.c_str());
    }

    static std::int32_t add_file(const char* full_path, bool system_include) {
        return register_file(-1, new_source(name_intern("short"), name_intern(full_path),
                                            system_include, nullptr));
    }
    static xob_node* at(std::int32_t file, std::int32_t line) {
        xob_node* position = new_node(a_position);
        position->file = file;
        position->line = line;
        position->row = 1;
        return position;
    }
    static xob_node* entity(std::int32_t kind, const char* text, xob_node* position) {
        xob_node* node = new_node(kind);
        node->name = name_intern(text);
        node->position = position;
        return node;
    }

    // Every array of the file as Perl reads it: one line per array name, then
    // its rows, fields separated by 0x1f and rows ended by 0x1e.
    std::string read_back() {
        std::string arrays;
        EXPECT_TRUE(perl_eval(path,
                              "die \"code from a name ran\\n\" if defined $code_ran;\n"
                              "for my $array (qw(files types enums fields vars fcts)) {\n"
                              "    print \"$array\\n\";\n"
                              "    print join(\"\\x1f\", @$_), \"\\x1e\" for @$array;\n"
                              "}",
                              &arrays));
        return arrays;
    }

    std::string file_text() const {
        std::string text;
        std::FILE* in = std::fopen(path.c_str(), "rb");
        if (!in) return text;
        char buffer[4096];
        std::size_t got;
        while ((got = std::fread(buffer, 1, sizeof buffer, in)) > 0) text.append(buffer, got);
        std::fclose(in);
        return text;
    }

    std::string path;
    paged_table<xob_node*> saved_files;
    std::int32_t saved_file_count;
    paged_table<xob_node*> saved_typedefs;
    std::int32_t saved_typedef_count;
    node_list saved_lists[4];
};

std::string row(std::initializer_list<std::string> fields) {
    std::string text;
    for (const std::string& field : fields) text += (text.empty() ? "" : "\x1f") + field;
    return text + "\x1e";
}

TEST_F(XrefFile, ArraysReadBackAsTheModelHoldsThem) {
    std::int32_t windows = add_file("C:\\src\\a.c", false);
    std::int32_t header = add_file("/usr/include/stdio.h", true);
    std::int32_t odd = add_file("/tmp/$HOME/@lib/\"q\".c", false);
    ASSERT_EQ(windows, 0);
    ASSERT_EQ(header, 1);
    ASSERT_EQ(odd, 2);

    xob_node* size_type = entity(a_typedef, "size_type", at(header, 30));
    size_type->level = 1;
    size_type->old_type_index = -11;
    size_type->type_index = register_typedef(size_type);
    xob_node* list = entity(a_typedef, "list_ptr", at(windows, 4));
    list->old_type_index = size_type->type_index;
    list->indirection = name_intern("*");
    list->type_index = register_typedef(list);
    xob_node* deep = entity(a_typedef, "deep", at(windows, 5));
    deep->level = 2147483647;  // twice this does not fit 32 bits
    deep->type_index = register_typedef(deep);

    xob_node* red = entity(a_enum, "RED", at(windows, 6));
    red->type_index = -4;
    append_to_global_list(red);

    xob_node* next = entity(a_field, "next", at(windows, 8));
    next->struct_type_index = list->type_index;
    next->type_index = list->type_index;
    next->indirection = name_intern("*");
    append_to_global_list(next);

    xob_node* counter = entity(a_definition, "counter", at(windows, 10));
    counter->scope_code = 2;
    counter->type_index = -11;
    append_to_global_list(counter);
    xob_node* environment = entity(a_definition, "$ENV{HOME}", at(odd, 11));
    append_to_global_list(environment);
    // Written naively, the backslash would swallow the quote that ends the
    // name, and Perl would run the indirection text as code: it closes the
    // array and quotes away the rest of the row. Last row of @vars for that.
    xob_node* trailing = entity(a_definition, "trailing\\", at(odd, 12));
    trailing->scope_code = 4;
    trailing->type_index = -10;
    trailing->indirection = name_intern(".($code_ran = 1)]);q(");
    append_to_global_list(trailing);

    append_to_global_list(entity(a_function, "main", at(windows, 20)));
    append_to_global_list(entity(a_function, "@ARGV", nullptr));  // a call placeholder

    write_xref(path.c_str());
    EXPECT_EQ(read_back(),
              "files\n" + row({"C:\\src\\a.c", "0"}) + row({"/usr/include/stdio.h", "1"}) +
                  row({"/tmp/$HOME/@lib/\"q\".c", "0"}) +
              "types\n" + row({"size_type", "1", "30", "2", "-11", ""}) +
                  row({"list_ptr", "0", "4", "0", "0", "*"}) +
                  row({"deep", "0", "5", "4294967294", "0", ""}) +
              "enums\n" + row({"RED", "0", "6", "-4"}) +
              "fields\n" + row({"next", "0", "8", "1", "1", "*"}) +
              "vars\n" + row({"counter", "0", "10", "2", "-11", ""}) +
                  row({"$ENV{HOME}", "2", "11", "0", "0", ""}) +
                  row({"trailing\\", "2", "12", "4", "-10", ".($code_ran = 1)]);q("}) +
              "fcts\n" + row({"main", "0", "20"}) + row({"@ARGV", "-1", "0"}));
}

// The rows' layout, as the head of the file announces it.
TEST_F(XrefFile, RowsFollowTheAnnouncedLayout) {
    std::int32_t file = add_file("C:\\src\\a.c", false);
    xob_node* counter = entity(a_definition, "counter", at(file, 10));
    counter->scope_code = 3;
    counter->type_index = -11;
    counter->indirection = name_intern("[");
    append_to_global_list(counter);
    write_xref(path.c_str());

    std::string fields;
    ASSERT_TRUE(perl_eval(path,
                          "my $v = $vars[0];\n"
                          "print join(',', $v->[$namefield], $files[$v->[$filefield]][0],\n"
                          "    $v->[$linefield], $v->[$scopefield] == $scopelocalstatic,\n"
                          "    $basetypes[-$v->[$typefield]], $v->[$indirectfield]);",
                          &fields));
    EXPECT_EQ(fields, "counter,C:\\src\\a.c,10,1,unsigned int,[");

    std::string text = file_text();
    EXPECT_NE(text.find("\n@files=([\"C:\\\\src\\\\a.c\",0]);\n\n@types=();\n\n@enums=();\n\n"),
              std::string::npos);
    EXPECT_NE(text.find("\n@vars=([\"counter\",0,10,3,-11,\"[\"]);\n\n@fcts=();\n\n1;\n"),
              std::string::npos);
}

TEST_F(XrefFile, FurtherRowsStartOnTheirOwnLine) {
    std::int32_t file = add_file("a.c", false);
    append_to_global_list(entity(a_function, "f", at(file, 1)));
    append_to_global_list(entity(a_function, "g", at(file, 2)));
    append_to_global_list(entity(a_function, "h", at(file, 3)));
    write_xref(path.c_str());
    std::string text = file_text();
    EXPECT_NE(text.find("@fcts=([\"f\",0,1],\n      [\"g\",0,2],\n      [\"h\",0,3]);\n\n1;\n"),
              std::string::npos);
}

}  // namespace
