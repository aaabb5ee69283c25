#include "model/binding.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <tuple>
#include <string>
#include <vector>

#include "model/binding_lists.h"
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

// A node alone of its kind is found from its list rather than the position
// index; the index takes it in when a second node of the kind comes, also
// when it was a placeholder filled while alone.
TEST_F(Resolution, NodeAloneOfItsKindIsFoundAgainBeforeAndAfterASecond) {
    begin_unit("solo1.xob");
    std::int32_t body = source_file("/bt/solo/f.c");
    xob_node* placeholder = use("solo_f", "call", source_file("/bt/solo/main.c"), 3);
    end_unit();
    begin_unit("solo2.xob");
    xob_node* defined = function("solo_f", "extern", body, 10);
    end_unit();
    ASSERT_EQ(defined, placeholder);
    auto defined_again = [&](const char* unit) {
        begin_unit(unit);
        EXPECT_EQ(function("solo_f", "extern", body, 10), defined) << unit;
        binding_cell* here = newest_at(id("solo_f"), a_function, at(body, 10, 1));
        ASSERT_NE(here, nullptr) << unit;
        EXPECT_EQ(here->node, defined) << unit;
        EXPECT_EQ(here->older_here(), nullptr) << unit;
        end_unit();
    };
    defined_again("solo3.xob");
    begin_unit("solo4.xob");
    EXPECT_NE(function("solo_f", "static", source_file("/bt/solo/g.c"), 20), defined);
    end_unit();
    defined_again("solo5.xob");
    EXPECT_EQ(count_in_function_list(defined), 1);
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

namespace {

// The binding rules applied the plain way, to hold the split binding lists
// against: one list of every node of the name, newest first, scanned in full.
class plain_binding {
public:
    enum storage_class { NO_STORAGE, EXTERN, STATIC };
    // Scopes: 0 and 3 are file level of two xob files; 1 and 2 are functions
    // of the first, 4 a function of the second.
    static bool is_function_scope(int scope) { return scope == 1 || scope == 2 || scope == 4; }

    struct entity {
        std::int32_t kind;
        int line;  // 0: no position (a call placeholder)
        int level;
        int storage;
        int fulldef;
        int scope;
        int definition;  // declarations: the definition kept, or -1
    };
    struct clash {
        std::int32_t rule;
        int line;
        int second_line;  // -1 without second position
        bool operator<(const clash& other) const {
            return std::tie(rule, line, second_line) <
                   std::tie(other.rule, other.line, other.second_line);
        }
        bool operator==(const clash& other) const {
            return rule == other.rule && line == other.line && second_line == other.second_line;
        }
    };

    std::vector<entity> entities;  // in creation order
    std::vector<clash> recorded;   // in recording order
    std::vector<std::int32_t> inactive;  // rules whose traps are dropped
    int scope = 0;

    int define(int level, int storage, int line) {
        int found = scan(a_definition, line,
                         [&](const entity& e) {
                             return e.line == line && e.level == level && e.storage == storage;
                         },
                         [&](const entity& e) { report(e.scope, 47, line, e.line); });
        if (found >= 0) return found;
        int made = make({a_definition, line, level, storage, 0, scope, -1});
        for_older(made, [&](int other) {
            entity& e = entities[other];
            if (e.kind == a_declaration && e.definition < 0) e.definition = made;
            if (e.kind == a_function) report(e.scope, 47, line, e.line);
            if (e.kind == a_typedef) report(-1, 23, line, e.line);
        });
        return made;
    }

    int declare(int level, int storage, int line) {
        int found = scan(a_declaration, line,
                         [&](const entity& e) {
                             return e.line == line && e.level == level && e.storage == storage;
                         },
                         [&](const entity& e) { report(e.scope, 46, line, e.line); });
        if (found >= 0) return found;
        int made = make({a_declaration, line, level, storage, 0, scope, -1});
        for_older(made, [&](int other) {
            const entity& e = entities[other];
            if (e.kind == a_definition && entities[made].definition < 0)
                entities[made].definition = other;
            if (e.kind == a_function) report(e.scope, 47, line, e.line);
            if (e.kind == a_typedef) report(-1, 23, line, e.line);
        });
        return made;
    }

    int prototype(int storage, int line) {
        int found = scan(a_function_declaration, line,
                         [&](const entity& e) { return e.line == line && e.storage == storage; },
                         [&](const entity& e) { function_clash(e, storage, line); });
        if (found >= 0) return found;
        int made = make({a_function_declaration, line, 0, storage, 0, scope, -1});
        definition_and_typedef_clashes(made, line);
        return made;
    }

    int function(int fulldef, int storage, int line) {
        int found = scan(a_function, line,
                         [&](const entity& e) {
                             return e.line == 0 || (e.line == line && e.fulldef == fulldef &&
                                                    e.storage == storage);
                         },
                         [&](const entity& e) { function_clash(e, storage, line); });
        if (found >= 0) {
            entity& e = entities[found];
            if (e.line == 0) e = {a_function, line, 0, storage, fulldef, e.scope, -1};
            return found;
        }
        int made = make({a_function, line, 0, storage, fulldef, scope, -1});
        definition_and_typedef_clashes(made, line);
        return made;
    }

    int type(int level, int line) {
        int found = scan(a_typedef, line,
                         [&](const entity& e) { return e.line == line && e.level == level; },
                         [&](const entity& e) { report(-1, 23, line, e.line); });
        if (found >= 0) return found;
        int made = make({a_typedef, line, level, 0, 0, scope, -1});
        for_older(made, [&](int other) {
            const entity& e = entities[other];
            if (e.kind == a_definition || e.kind == a_function) report(e.scope, 47, line, e.line);
        });
        return made;
    }

    int use(bool call, int line) {
        bool prototyped = false;
        for (int i = static_cast<int>(entities.size()) - 1; i >= 0; --i) {
            const entity& e = entities[i];
            prototyped = prototyped || e.kind == a_function_declaration;
            bool here = e.line == line;
            if (((e.kind == a_declaration || e.kind == a_definition) && here) ||
                (e.kind == a_function && (here || e.storage != STATIC)))
                return i;
        }
        if (call || prototyped) return make({a_function, 0, 0, NO_STORAGE, 0, scope, -1});
        return make({a_declaration, line, -1, NO_STORAGE, 0, scope, -1});
    }

    // What the trap table keeps: one trap per key; with repeat folding only
    // the first of each rule in the file.
    std::vector<clash> kept(bool folding) const {
        std::vector<clash> result;
        for (const clash& c : recorded) {
            bool rule_seen = false;
            bool key_seen = false;
            for (const clash& k : result) {
                rule_seen = rule_seen || k.rule == c.rule;
                key_seen = key_seen || k == c;
            }
            if (!key_seen && !(folding && rule_seen)) result.push_back(c);
        }
        std::sort(result.begin(), result.end());
        return result;
    }

private:
    int make(const entity& e) {
        entities.push_back(e);
        return static_cast<int>(entities.size()) - 1;
    }

    template <class Accepts, class Clash>
    int scan(std::int32_t kind, int line, Accepts accepts, Clash clash_with) {
        for (int i = static_cast<int>(entities.size()) - 1; i >= 0; --i) {
            const entity& e = entities[i];
            if (e.kind != kind) continue;
            if (accepts(e)) return i;
            if (e.line != line) clash_with(e);
        }
        return -1;
    }

    template <class Visit>
    void for_older(int made, Visit visit) {
        for (int i = made - 1; i >= 0; --i) visit(i);
    }

    void function_clash(const entity& e, int storage, int line) {
        if (e.storage == STATIC || storage == STATIC)
            report(-1, 25, line, e.line);
        else
            report(e.scope, 45, line, e.line);
    }

    void definition_and_typedef_clashes(int made, int line) {
        for_older(made, [&](int other) {
            const entity& e = entities[other];
            if (e.kind == a_definition) report(e.scope, 47, line, e.line);
            if (e.kind == a_typedef) report(-1, 23, line, e.line);
        });
    }

    void report(int existing_scope, std::int32_t rule, int line, int second_line) {
        if (existing_scope >= 0) {
            bool there = is_function_scope(existing_scope);
            bool here = is_function_scope(scope);
            if (existing_scope != scope && there == here)
                rule = 27;
            else if (there != here)
                rule = 22;
        }
        if (std::find(inactive.begin(), inactive.end(), rule) != inactive.end()) return;
        recorded.push_back({rule, line, second_line ? second_line : -1});
    }
};

using BindingOrder = ModelTest;

}  // namespace

// Random runs of elements of one name, in changing scopes, each in a file of
// its own: the entity each element yields, the definition each declaration
// keeps and the clash traps kept must be those of the plain single-list scan.
// With the clash rules folded to one trap per file, the trap kept is the one
// recorded first, so the order of recording is compared too; with some of
// them deactivated, the scans skipped must lose no trap of the others.
TEST_F(BindingOrder, SplitListsScanLikeOneListNewestFirst) {
    const std::int32_t clash_rules[] = {22, 23, 25, 27, 45, 46, 47};
    std::mt19937 random(20240611);
    auto pick = [&](int count) { return static_cast<int>(random() % count); };
    name* storages[] = {nullptr, id("extern"), static_name()};
    name* fulldefs[] = {nullptr, id("int f(void)"), id("int f(int)")};

    std::int32_t severities[RULE_COUNT];
    for (std::int32_t rule : clash_rules) severities[rule] = rule_table[rule].severity;

    for (int run = 0; run < 3000; ++run) {
        bool folding = run % 2 == 1;
        plain_binding plain;
        for (std::int32_t rule : clash_rules) {
            rule_table[rule].repeat = folding ? 1 : 0;
            bool off = run % 3 == 2 && pick(2) == 0;
            rule_table[rule].severity = off ? 0 : severities[rule];
            if (off) plain.inactive.push_back(rule);
        }
        std::string path = "/bt/order/" + std::to_string(run) + ".c";
        std::int32_t file = source_file(path);
        name* identifier = id(("order_" + std::to_string(run)).c_str());
        xob_node* scopes[5];
        scopes[0] = new_source(id("a.xob"), nullptr, false, nullptr);
        scopes[3] = new_source(id("b.xob"), nullptr, false, nullptr);
        scopes[1] = new_node(a_function);
        scopes[2] = new_node(a_function);
        scopes[4] = new_node(a_function);

        record_file_start(nullptr, id(path.c_str()), 0, false, nullptr);
        std::map<xob_node*, int> to_plain;
        std::map<int, xob_node*> to_node;
        int steps = 2 + pick(7);
        for (int step = 0; step < steps; ++step) {
            plain.scope = pick(5);
            push_scope(scopes[plain.scope < 3 ? 0 : 3]);
            if (plain_binding::is_function_scope(plain.scope)) push_scope(scopes[plain.scope]);

            int line = 1 + pick(3);
            xob_node* position = at(file, line, 1);
            int level = pick(2);
            int storage = pick(3);
            int fulldef = 1 + pick(2);
            xob_node* node = nullptr;
            int expected = -1;
            switch (pick(6)) {
            case 0:
                node = bind_definition(identifier, level, storages[storage], position, 0, nullptr,
                                       0);
                expected = plain.define(level, storage, line);
                break;
            case 1:
                node = bind_declaration(identifier, level, storages[storage], position);
                expected = plain.declare(level, storage, line);
                break;
            case 2:
                node = bind_function_declaration(identifier, storages[storage], position);
                expected = plain.prototype(storage, line);
                break;
            case 3:
                node = bind_function(identifier, fulldefs[fulldef], storages[storage], position);
                expected = plain.function(fulldef, storage, line);
                break;
            case 4:
                node = bind_typedef(identifier, level, position, 0, 0, nullptr);
                expected = plain.type(level, line);
                break;
            default: {
                bool call = pick(2) == 0;
                node = resolve_object(identifier, id(call ? "call" : "read"), position);
                expected = plain.use(call, line);
                break;
            }
            }
            while (current_scope) pop_scope();

            ASSERT_NE(node, nullptr);
            auto known = to_plain.find(node);
            if (known != to_plain.end()) {
                ASSERT_EQ(known->second, expected) << "run " << run << " step " << step;
            } else {
                ASSERT_EQ(to_node.count(expected), 0u) << "run " << run << " step " << step;
                to_plain[node] = expected;
                to_node[expected] = node;
            }
            const plain_binding::entity& e = plain.entities[expected];
            ASSERT_EQ(node->kind, e.kind) << "run " << run << " step " << step;
            ASSERT_EQ(node->position ? node->position->line : 0, e.line) << "run " << run;
        }
        record_file_end(nullptr, id(path.c_str()));

        for (std::size_t i = 0; i < plain.entities.size(); ++i) {
            if (plain.entities[i].kind != a_declaration) continue;
            int definition = plain.entities[i].definition;
            EXPECT_EQ(to_node[static_cast<int>(i)]->definition,
                      definition < 0 ? nullptr : to_node[definition])
                << "run " << run << " declaration " << i;
        }
        std::vector<plain_binding::clash> actual;
        for (const trap_event* event : all_events()) {
            if (event->event_kind == TRAP && event->file == file)
                actual.push_back({event->rule, event->line, event->second_line});
        }
        std::sort(actual.begin(), actual.end());
        ASSERT_EQ(actual, plain.kept(folding)) << "run " << run;
    }
}
