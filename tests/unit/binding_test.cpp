#include "model/binding.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model_test_support.h"

using namespace model_test;

namespace {

// One xob file: fresh number maps and its scope node open.
void begin_unit(const char* xob_name) {
    clear_file_numbers();
    clear_type_numbers();
    push_scope(new_source(id(xob_name), nullptr, false, nullptr));
}
void end_unit() {
    pop_scope();
    end_xob_file();
}

// A function body open as the innermost scope.
xob_node* begin_function(const char* function_name, std::int32_t file, std::int32_t line) {
    xob_node* position = at(file, line);
    xob_node* function = bind_function(id(function_name), id(function_name), nullptr, position);
    push_scope(function);
    return function;
}

xob_node* define(const char* identifier, std::int32_t file, std::int32_t line,
                 std::int32_t level = 0, const char* storage = "extern") {
    xob_node* position = at(file, line, 1);
    return bind_definition(id(identifier), level, id(storage), position, 0, nullptr, level ? 1 : 0);
}

xob_node* function(const char* identifier, const char* storage, std::int32_t file,
                   std::int32_t line) {
    xob_node* position = at(file, line, 1);
    return bind_function(id(identifier), id("int f(void)"), id(storage), position);
}

xob_node* use(const char* identifier, const char* mode, std::int32_t file, std::int32_t line) {
    xob_node* position = at(file, line, 1);
    return resolve_object(id(identifier), id(mode), position);
}

int count_in_function_list(const xob_node* node) {
    int count = 0;
    for (xob_node* f = function_list.head; f; f = f->next_function) count += f == node;
    return count;
}

bool undefined(const xob_node* declaration) {
    for (node_cell* cell = undefined_declarations; cell; cell = cell->next)
        if (cell->node == declaration) return true;
    return false;
}

using Binding = ModelTest;
using Resolution = ModelTest;

}  // namespace

TEST_F(Binding, SameHeaderThroughTwoXobFilesIsOneEntityWithoutClash) {
    xob_node* declarations[2];
    xob_node* typedefs[2];
    std::int32_t typedefs_before = typedef_table_size;
    for (int unit = 0; unit < 2; ++unit) {
        begin_unit(unit ? "two.xob" : "one.xob");
        std::int32_t header = source_file("/bt/header/common.h");
        xob_node* position = at(header, 3, 1);
        xob_node* fresh = position;
        declarations[unit] = bind_declaration(id("shared"), 0, id("extern"), position);
        if (unit == 1) {
            EXPECT_EQ(position, declarations[0]->position);  // the first one's position
            EXPECT_EQ(fresh->kind, free_xob);                // the reader's one recycled
        }
        xob_node* type_position = at(header, 5, 1);
        typedefs[unit] = bind_typedef(id("shared_t"), 0, type_position, 7, -11, id("*"));
        EXPECT_EQ(type_index_of(7), typedefs[unit]->type_index);
        end_unit();
    }
    EXPECT_EQ(declarations[1], declarations[0]);
    EXPECT_EQ(typedefs[1], typedefs[0]);
    EXPECT_EQ(typedef_table_size, typedefs_before + 1);
    EXPECT_EQ(typedefs[0]->old_type_index, -11);
    EXPECT_TRUE(undefined(declarations[0]));
    EXPECT_EQ(traps_for("/bt/header/"), std::vector<std::string>{});
}

TEST_F(Binding, GlobalDefinedInTwoXobFilesIsRule27) {
    begin_unit("one.xob");
    xob_node* first = define("g", source_file("/bt/g27/a.c"), 1);
    end_unit();
    begin_unit("two.xob");
    xob_node* second = define("g", source_file("/bt/g27/b.c"), 2);
    end_unit();
    EXPECT_NE(first, second);
    EXPECT_EQ(traps_for("/bt/g27/"),
              std::vector<std::string>{
                  "trap KYV_50_70 level=1 b.c:2:1 second=/bt/g27/a.c:1:1 names=g comment=-"});
}

TEST_F(Binding, LocalHidingAGlobalIsRule22) {
    begin_unit("one.xob");
    std::int32_t file = source_file("/bt/g22/a.c");
    define("v", file, 1);
    begin_function("f22", file, 3);
    define("v", file, 5, 1, "auto");
    pop_scope();
    end_unit();
    EXPECT_EQ(traps_for("/bt/g22/"),
              std::vector<std::string>{
                  "trap KYV_50_20 level=2 a.c:5:1 second=/bt/g22/a.c:1:1 names=v comment=-"});
}

TEST_F(Binding, SameNameInTwoFunctionsIsRule27) {
    begin_unit("one.xob");
    std::int32_t file = source_file("/bt/locals/a.c");
    begin_function("fa", file, 1);
    define("i", file, 2, 1, "auto");
    pop_scope();
    begin_function("fb", file, 10);
    define("i", file, 11, 1, "auto");
    pop_scope();
    end_unit();
    EXPECT_EQ(traps_for("/bt/locals/"),
              std::vector<std::string>{
                  "trap KYV_50_70 level=1 a.c:11:1 second=/bt/locals/a.c:2:1 names=i comment=-"});
}

TEST_F(Binding, FunctionsOfOneName) {
    begin_unit("one.xob");
    function("s", "static", source_file("/bt/f25/a.c"), 3);
    function("e", "extern", source_file("/bt/f45/a.c"), 3);
    function("e", "extern", source_file("/bt/f45/a.c"), 9);
    function("x", "extern", source_file("/bt/f27/a.c"), 3);
    end_unit();
    begin_unit("two.xob");
    function("s", "static", source_file("/bt/f25/b.c"), 4);
    function("x", "extern", source_file("/bt/f27/b.c"), 4);
    end_unit();
    EXPECT_EQ(traps_for("/bt/f25/"),
              std::vector<std::string>{
                  "trap KYV_50_50 level=1 b.c:4:1 second=/bt/f25/a.c:3:1 names=s comment=-"});
    EXPECT_EQ(traps_for("/bt/f45/"),
              std::vector<std::string>{
                  "trap KYV_80_81 level=2 a.c:9:1 second=/bt/f45/a.c:3:1 names=e comment=-"});
    EXPECT_EQ(traps_for("/bt/f27/"),
              std::vector<std::string>{
                  "trap KYV_50_70 level=1 b.c:4:1 second=/bt/f27/a.c:3:1 names=x comment=-"});
}

TEST_F(Binding, TypedefNamesAndDefinitionsClash) {
    begin_unit("one.xob");
    std::int32_t file = source_file("/bt/f23/a.c");
    xob_node* type_position = at(file, 1, 1);
    bind_typedef(id("T"), 0, type_position, 0, 0, nullptr);
    define("T", file, 5);
    define("h", file, 7);
    function("h", "extern", file, 9);  // a function named like a file-level definition
    end_unit();
    EXPECT_EQ(traps_for("/bt/f23/"),
              (std::vector<std::string>{
                  "trap KYV_50_30 level=2 a.c:5:1 second=/bt/f23/a.c:1:1 names=T comment=-",
                  "trap KYV_80_90 level=2 a.c:9:1 second=/bt/f23/a.c:7:1 names=h comment=-",
              }));
}

TEST_F(Binding, EqualPositionWithOtherAttributesIsNeitherAcceptedNorReported) {
    begin_unit("one.xob");
    std::int32_t file = source_file("/bt/attrs/a.c");
    xob_node* outside = define("w", file, 4, 0, "extern");
    xob_node* inside = define("w", file, 4, 0, "static");
    end_unit();
    EXPECT_NE(inside, outside);
    EXPECT_EQ(inside->position, outside->position);
    EXPECT_EQ(traps_for("/bt/attrs/"), std::vector<std::string>{});
}

TEST_F(Binding, DeclarationKeepsItsFirstDefinition) {
    begin_unit("one.xob");
    std::int32_t header = source_file("/bt/link/g.h");
    xob_node* position = at(header, 1, 1);
    xob_node* declaration = bind_declaration(id("linked"), 0, id("extern"), position);
    xob_node* first = define("linked", source_file("/bt/link/a.c"), 3);
    end_unit();
    begin_unit("two.xob");
    xob_node* second = define("linked", source_file("/bt/link/b.c"), 3);
    xob_node* later_position = at(header, 2, 1);
    xob_node* later = bind_declaration(id("linked"), 0, id("extern"), later_position);
    end_unit();
    EXPECT_EQ(declaration->definition, first);
    EXPECT_EQ(later->definition, second);  // the newest definition is met first
    EXPECT_EQ(first->declarations, later);
    EXPECT_EQ(second->declarations, later);
    EXPECT_EQ(later->next_declaration, declaration);
    EXPECT_FALSE(undefined(later));
}

TEST_F(Binding, EnumerationsAndFieldsMergeWithoutClash) {
    begin_unit("one.xob");
    std::int32_t file = source_file("/bt/fields/a.h");
    xob_node* p1 = at(file, 2, 5);
    xob_node* p2 = at(file, 2, 5);
    xob_node* p3 = at(file, 8, 5);
    xob_node* field = bind_field(id("next"), -1, -5, id("*"), p1);
    EXPECT_EQ(bind_field(id("next"), -1, -5, id("*"), p2), field);
    EXPECT_NE(bind_field(id("next"), -1, -5, id("*"), p3), field);
    xob_node* e1 = at(file, 3, 1);
    xob_node* e2 = at(file, 3, 1);
    xob_node* constant = bind_enum(id("RED"), -4, e1);
    EXPECT_EQ(bind_enum(id("RED"), -4, e2), constant);
    end_unit();
    EXPECT_EQ(field->struct_type_index, -1);
    EXPECT_EQ(constant->type_index, -4);
    EXPECT_EQ(traps_for("/bt/fields/"), std::vector<std::string>{});
}

TEST_F(Resolution, CallBeforeDefinitionFillsThePlaceholder) {
    begin_unit("caller.xob");
    std::int32_t header = source_file("/bt/call/f.h");
    std::int32_t caller_file = source_file("/bt/call/main.c");
    xob_node* prototype_position = at(header, 1, 1);
    bind_function_declaration(id("later_f"), id("extern"), prototype_position);
    begin_function("main_call", caller_file, 5);
    xob_node* placeholder = use("later_f", "CALL", header, 1);
    pop_scope();
    end_unit();
    ASSERT_EQ(placeholder->kind, a_function);
    EXPECT_EQ(placeholder->position, nullptr);

    begin_unit("callee.xob");
    xob_node* defined = function("later_f", "extern", source_file("/bt/call/f.c"), 10);
    end_unit();
    EXPECT_EQ(defined, placeholder);
    EXPECT_EQ(defined->position->line, 10);
    EXPECT_EQ(count_in_function_list(defined), 1);

    begin_unit("third.xob");
    xob_node* position = at(header, 1, 1);
    EXPECT_EQ(resolve_object(id("later_f"), id("call"), position), defined);
    EXPECT_EQ(position, defined->position);
    end_unit();
}

TEST_F(Resolution, CallToANeverDefinedFunctionSharesOnePlaceholder) {
    begin_unit("one.xob");
    std::int32_t file = source_file("/bt/nodef/a.c");
    xob_node* first = use("nowhere_f", "call", file, 1);
    xob_node* again = use("nowhere_f", "call", file, 7);
    end_unit();
    EXPECT_EQ(again, first);
    EXPECT_EQ(first->kind, a_function);
    EXPECT_EQ(first->position, nullptr);
    EXPECT_EQ(count_in_function_list(first), 1);
}

TEST_F(Resolution, UseWithoutDeclarationIsAnImplicitDeclaration) {
    begin_unit("one.xob");
    std::int32_t file = source_file("/bt/implicit/a.c");
    xob_node* implicit = use("hidden_v", "read", file, 7);
    EXPECT_EQ(use("hidden_v", "write", file, 7), implicit);  // the same position again
    // A name with a prototype waits for its function even when not called.
    xob_node* prototype_position = at(file, 2, 1);
    bind_function_declaration(id("handler_f"), id("extern"), prototype_position);
    xob_node* address = use("handler_f", "address", file, 2);
    end_unit();
    EXPECT_EQ(implicit->kind, a_declaration);
    EXPECT_EQ(implicit->level, -1);
    EXPECT_EQ(implicit->definition, nullptr);
    EXPECT_EQ(undefined_declarations->node, implicit);
    EXPECT_EQ(address->kind, a_function);
    EXPECT_EQ(address->position, nullptr);
}

TEST_F(Resolution, UseResolvesAcrossFilesToTheDefinition) {
    begin_unit("one.xob");
    std::int32_t header = source_file("/bt/across/g.h");
    xob_node* definition = define("counter_v", header, 2);
    xob_node* static_position = at(source_file("/bt/across/a.c"), 4, 1);
    xob_node* hidden = bind_function(id("helper_f"), id("f"), static_name(), static_position);
    end_unit();
    begin_unit("two.xob");
    xob_node* position = at(header, 2, 1);
    EXPECT_EQ(resolve_object(id("counter_v"), id("read"), position), definition);
    EXPECT_EQ(position, definition->position);
    // A static function of another file is not what a call elsewhere means.
    xob_node* call = use("helper_f", "call", source_file("/bt/across/b.c"), 1);
    end_unit();
    EXPECT_NE(call, hidden);
    EXPECT_EQ(call->position, nullptr);
}

TEST_F(Binding, NameSharedByThousandsOfNodes) {
    // With the clash rules off, nothing requires comparing the nodes with each other.
    for (std::int32_t rule : {RULE_HIDES_OUTER_SCOPE, RULE_IDENTIFIER_REUSED, RULE_REDEFINED})
        rule_table[rule].severity = 0;
    constexpr int count = 100000;
    begin_unit("big.xob");
    std::int32_t file = source_file("/bt/big/a.c");
    for (int i = 0; i < count; ++i) {
        std::string function_name = "big_f" + std::to_string(i);
        begin_function(function_name.c_str(), file, 10 * i + 1);
        xob_node* local = define("big_i", file, 10 * i + 2, 1, "auto");
        ASSERT_EQ(use("big_i", "read", file, 10 * i + 2), local);
        xob_node* field_position = at(file, 10 * i + 3, 1);
        bind_field(id("big_next"), i, -10, nullptr, field_position);
        pop_scope();
    }
    end_unit();
    EXPECT_EQ(traps_for("/bt/big/"), std::vector<std::string>{});
}
