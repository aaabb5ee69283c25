#include "model/link_pass.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include "model/call_cycles.h"
#include "model/name_table.h"
#include "model/trap_table.h"
#include "model/xob_node.h"
#include "model_test_support.h"
#include "rules/rule_catalogue.h"

namespace {

using model_test::all_events;

// Builds call graphs straight through the model's nodes. The model and the
// trap table are process-wide: every test names its functions with its own
// prefix, and every position is a new line, so traps of different tests never
// share a position.
xob_node* new_position() {
    static int line = 0;
    xob_node* position = new_node(a_position);
    position->file = -1;
    position->line = ++line;
    position->row = 1;
    return position;
}

xob_node* function(const std::string& function_name) {
    xob_node* node = new_node(a_function);
    node->name = name_intern(function_name.c_str());
    node->position = new_position();
    return node;
}

xob_node* chain(std::initializer_list<xob_node*> nodes) {
    xob_node* head = nullptr;
    xob_node* last = nullptr;
    for (xob_node* node : nodes) {
        node->next = nullptr;
        if (last) last->next = node;
        else head = node;
        last = node;
    }
    return head;
}

xob_node* use_of(xob_node* target) {
    return new_reference(target, new_position(), true);
}

void calls(xob_node* caller, std::initializer_list<xob_node*> callees) {
    xob_node* last = nullptr;
    for (xob_node* callee : callees) {
        xob_node* reference = use_of(callee);
        if (last) last->next = reference;
        else caller->body = reference;
        last = reference;
    }
}

xob_node* xob_scope(xob_node* blocks) {
    xob_node* scope = new_source(name_intern("unit.xob"), nullptr, false, nullptr);
    scope->blocks = blocks;
    return scope;
}

// "rule:first name#second name" for every trap whose name begins with prefix.
std::vector<std::string> traps_named(const std::string& prefix) {
    std::vector<std::string> found;
    for (const trap_event* event : all_events()) {
        if (event->event_kind != TRAP) continue;  // only a trap has a name
        std::string trap_name = name_text(event->name);
        if (trap_name.compare(0, prefix.size(), prefix) == 0)
            found.push_back(std::to_string(event->rule) + ":" + trap_name);
    }
    return found;
}

bool has(const xob_node* function, std::uint8_t flag) { return function->link_flags & flag; }

}  // namespace

TEST(LinkPass, SelfCallIsDirectRecursion) {
    xob_node* f = function("self_f");
    calls(f, {f});
    EXPECT_EQ(link_walk(xob_scope(chain({f}))), 0);
    EXPECT_EQ(traps_named("self_"), std::vector<std::string>{"123:self_f"});
    EXPECT_TRUE(has(f, RECURSIVE));
    EXPECT_FALSE(has(f, ON_STACK));
    EXPECT_EQ(f->call_depth, 1);
}

TEST(LinkPass, CycleReachedFromMainNamesEachCallee) {
    xob_node* main_f = function("cyc_main");
    xob_node* p = function("cyc_p");
    xob_node* q = function("cyc_q");
    xob_node* r = function("cyc_r");
    calls(main_f, {p});
    calls(p, {q});
    calls(q, {r});
    calls(r, {p});
    link_walk(chain({main_f, p, q, r}));
    // Ordered by position: p, q, r.
    EXPECT_EQ(traps_named("cyc_"),
              (std::vector<std::string>{"124:cyc_p#cyc_q", "124:cyc_q#cyc_r", "124:cyc_r#cyc_p"}));
    for (xob_node* member : {p, q, r}) {
        EXPECT_TRUE(has(member, CALLED)) << name_text(member->name);
        EXPECT_TRUE(has(member, RECURSIVE)) << name_text(member->name);
        EXPECT_FALSE(has(member, ON_STACK)) << name_text(member->name);
    }
    EXPECT_FALSE(has(main_f, CALLED));
    EXPECT_FALSE(has(main_f, RECURSIVE));
}

TEST(LinkPass, CycleEnteredAtTheBottomOfTheStack) {
    xob_node* p = function("bot_p");
    xob_node* q = function("bot_q");
    calls(p, {q});
    calls(q, {p});
    link_walk(chain({p, q}));
    EXPECT_EQ(traps_named("bot_"), (std::vector<std::string>{"124:bot_p#bot_q", "124:bot_q#bot_p"}));
    // p is the bottom of the stack, so the cycle marks nothing, and q's visit
    // changed its caller's RECURSIVE bit: q stays unmarked. p is marked when
    // q, walked from the list, calls it with q's bit already set.
    EXPECT_FALSE(has(q, CALLED));
    EXPECT_TRUE(has(p, CALLED));
}

TEST(LinkPass, DepthsAndMarksOfAnOrdinaryCallTree) {
    xob_node* top = function("tree_top");
    xob_node* mid = function("tree_mid");
    xob_node* leaf = function("tree_leaf");
    xob_node* other = function("tree_other");
    calls(top, {leaf, mid});
    calls(mid, {leaf});
    calls(other, {mid});
    xob_node* file_level_use = use_of(other);
    EXPECT_EQ(link_walk(chain({top, mid, leaf, file_level_use})), 3);
    EXPECT_EQ(top->call_depth, 2);
    EXPECT_EQ(mid->call_depth, 1);
    EXPECT_EQ(leaf->call_depth, 0);
    EXPECT_EQ(other->call_depth, 2);
    EXPECT_TRUE(has(mid, CALLED) && has(mid, DEPTH_KNOWN));
    EXPECT_TRUE(has(leaf, CALLED) && has(leaf, DEPTH_KNOWN));
    // A use at file level walks the function but does not mark it.
    EXPECT_FALSE(has(other, CALLED));
    EXPECT_FALSE(has(top, CALLED));
    EXPECT_TRUE(traps_named("tree_").empty());
}

TEST(LinkPass, LongCallChainNeedsNoDeepRecursion) {
    constexpr int LENGTH = 100000;
    std::vector<xob_node*> functions;
    for (int i = 1; i <= LENGTH; ++i) functions.push_back(function("long_f" + std::to_string(i)));
    for (int i = 0; i + 1 < LENGTH; ++i) functions[i]->body = use_of(functions[i + 1]);
    for (int i = 0; i + 1 < LENGTH; ++i) functions[i]->next = functions[i + 1];
    EXPECT_EQ(link_walk(xob_scope(functions[0])), 0);
    EXPECT_EQ(functions[0]->call_depth, LENGTH - 1);
    EXPECT_EQ(functions[LENGTH - 2]->call_depth, 1);
    EXPECT_FALSE(has(functions[0], CALLED));
    for (int i = 1; i < LENGTH; ++i) ASSERT_TRUE(has(functions[i], CALLED)) << i;
    for (xob_node* f : functions) ASSERT_FALSE(has(f, ON_STACK));
    EXPECT_TRUE(traps_named("long_").empty());
}

TEST(LinkPass, NeverReferencedFunctionsAcrossTheXobList) {
    xob_node* main_f = function("unref_main");
    xob_node* helper = function("unref_helper");
    xob_node* by_pointer = function("unref_by_pointer");
    calls(main_f, {helper});
    xob_node* source = new_source(name_intern("u.c"), name_intern("/src/u.c"), false, nullptr);
    source->blocks = chain({main_f, helper, by_pointer, use_of(by_pointer)});
    append_xob(xob_scope(source));
    link_walk(xob_list.head);
    check_unreferenced_functions();
    EXPECT_EQ(traps_named("unref_"),
              (std::vector<std::string>{"133:unref_main", "133:unref_by_pointer"}));
    for (xob_node* f : {main_f, helper, by_pointer}) EXPECT_FALSE(has(f, ON_STACK));
}

TEST(LinkPass, ModelWalkDescendsOnlyWhereTheCallbackAsks) {
    xob_node* f = function("walk_f");
    f->body = use_of(function("walk_g"));
    xob_node* source = new_source(name_intern("w.c"), name_intern("/src/w.c"), false, nullptr);
    source->blocks = chain({f});
    xob_node* scope = xob_scope(source);
    struct visit_log {
        std::vector<int> kinds;
        bool on_stack_inside = false;
        xob_node* function;
    } log{{}, false, f};
    auto visit_all = [](xob_node* node, void* argument) {
        auto* seen = static_cast<visit_log*>(argument);
        seen->kinds.push_back(node->kind);
        if (node->kind == a_reference) seen->on_stack_inside = has(seen->function, ON_STACK);
        return 1;
    };
    model_walk(scope, &log, visit_all);
    EXPECT_EQ(log.kinds, (std::vector<int>{a_source, a_source, a_function, a_reference}));
    EXPECT_TRUE(log.on_stack_inside);
    EXPECT_FALSE(has(f, ON_STACK));
    log.kinds.clear();
    auto visit_top = [](xob_node* node, void* argument) {
        static_cast<visit_log*>(argument)->kinds.push_back(node->kind);
        return 0;
    };
    EXPECT_EQ(model_walk(scope, &log, visit_top), 0);
    EXPECT_EQ(log.kinds, std::vector<int>{a_source});
}

TEST(LinkPass, FunctionHeldInItsOwnBodyEndsBothWalks) {
    // What a function element repeated inside its own body leaves: the
    // merged function is in the body of a function of its body.
    xob_node* f = function("own_f");
    xob_node* g = function("own_g");
    f->body = g;
    g->body = f;
    xob_node* scope = xob_scope(chain({f}));
    EXPECT_EQ(link_walk(scope), 0);
    auto visit_all = [](xob_node* node, void* argument) {
        static_cast<std::vector<int>*>(argument)->push_back(node->kind);
        return 1;
    };
    // Every walk sees the same, also once the walks have used up the flag
    // bits they mark nodes with and mark and clear one bit.
    for (int walk = 0; walk < 12; ++walk) {
        std::vector<int> kinds;
        model_walk(scope, &kinds, visit_all);
        // f is met again in g's body and not visited a second time.
        EXPECT_EQ(kinds, (std::vector<int>{a_source, a_function, a_function})) << "walk " << walk;
    }
    for (xob_node* function : {f, g}) EXPECT_FALSE(has(function, ON_STACK));
}

TEST(LinkPass, UndefinedDeclarationsOutsideSystemFiles) {
    xob_node* plain = new_node(a_declaration);
    plain->name = name_intern("undef_plain");
    plain->position = new_position();
    xob_node* system = new_node(a_declaration);
    system->name = name_intern("undef_system");
    system->position = new_position();
    system->in_system_include = 1;
    xob_node* defined = new_node(a_declaration);
    defined->name = name_intern("undef_defined");
    defined->position = new_position();
    defined->definition = new_node(a_definition);
    for (xob_node* declaration : {plain, system, defined}) add_undefined_declaration(declaration);
    check_undefined_declarations();
    EXPECT_EQ(traps_named("undef_"), std::vector<std::string>{"48:undef_plain"});
}

namespace {

// A program for the cycle finder: each function with the functions its body
// uses, in order; the listed functions form the walked list, in this order.
struct caller_line {
    const char* function;
    std::vector<const char*> callees;
};

struct cycle_case {
    const char* prefix;  // of every function name, to keep the case's traps apart
    std::vector<caller_line> program;
    std::vector<std::string> walk_traps;  // the link walk alone, ordered by position
    std::vector<std::string> all_traps;   // then the cycle finder in the "all" mode
};

// Switches rule KYV_160_21's "all" mode on for one scope.
class recursion_all_mode {
public:
    recursion_all_mode() : saved_(rule_by_number(RULE_INDIRECT_RECURSION)->param) {
        rule_by_number(RULE_INDIRECT_RECURSION)->param = "all";
    }
    ~recursion_all_mode() { rule_by_number(RULE_INDIRECT_RECURSION)->param = saved_; }

private:
    const char* saved_;
};

}  // namespace

TEST(CallCycles, EveryMemberOfEveryCycleOnce) {
    const std::vector<cycle_case> cases = {
        {"share_",
         {{"main", {"p"}}, {"p", {"q"}}, {"q", {"p", "r"}}, {"r", {"q"}}},
         {"124:share_p#share_q", "124:share_q#share_p"},
         {"124:share_p#share_q", "124:share_q#share_p", "124:share_r#share_q"}},
        {"entry_",
         {{"a", {"c1"}}, {"b", {"c1"}}, {"c1", {"c2"}}, {"c2", {"c3"}}, {"c3", {"c1"}}},
         {"124:entry_c1#entry_c2", "124:entry_c2#entry_c3", "124:entry_c3#entry_c1"},
         {"124:entry_c1#entry_c2", "124:entry_c2#entry_c3", "124:entry_c3#entry_c1"}},
        {"root_",
         {{"main", {"helper"}}, {"helper", {}}, {"u", {"v"}}, {"v", {"w"}}, {"w", {"u"}}},
         {"124:root_u#root_v", "124:root_v#root_w", "124:root_w#root_u"},
         {"124:root_u#root_v", "124:root_v#root_w", "124:root_w#root_u"}},
        {"selfcyc_",
         {{"s", {"s", "t"}}, {"t", {"s"}}},
         {"123:selfcyc_s", "124:selfcyc_s#selfcyc_t"},
         {"123:selfcyc_s", "124:selfcyc_s#selfcyc_t", "124:selfcyc_t#selfcyc_s"}},
        {"alone_", {{"f", {"g", "f"}}, {"g", {}}}, {"123:alone_f"}, {"123:alone_f"}},
    };
    for (const cycle_case& c : cases) {
        std::map<std::string, xob_node*> functions;
        std::vector<xob_node*> listed;
        for (const caller_line& line : c.program) {
            listed.push_back(function(c.prefix + std::string(line.function)));
            functions[line.function] = listed.back();
        }
        for (const caller_line& line : c.program) {
            xob_node* last = nullptr;
            for (const char* callee : line.callees) {
                xob_node* reference = use_of(functions.at(callee));
                if (last) last->next = reference;
                else functions[line.function]->body = reference;
                last = reference;
            }
        }
        for (std::size_t i = 0; i + 1 < listed.size(); ++i) listed[i]->next = listed[i + 1];
        xob_node* list = xob_scope(listed.front());
        link_walk(list);
        report_call_cycles(list);  // without the mode: nothing
        EXPECT_EQ(traps_named(c.prefix), c.walk_traps) << c.prefix;
        recursion_all_mode all;
        report_call_cycles(list);
        EXPECT_EQ(traps_named(c.prefix), c.all_traps) << c.prefix;
    }
}

TEST(CallCycles, MillionFunctionCycleNeedsNoDeepRecursion) {
    // One name and one use position for all keep the model small; each
    // function has its own position, so each trap is one of its own. The
    // first function calls itself first: the walk marks it recursive and then
    // meets the rest of the cycle without a trap.
    constexpr int LENGTH = 1000000;
    name* shared_name = name_intern("big");
    xob_node* use_position = new_position();
    std::vector<xob_node*> functions(LENGTH);
    for (xob_node*& f : functions) {
        f = new_node(a_function);
        f->name = shared_name;
        f->position = new_position();
    }
    auto call = [&](xob_node* callee) {
        return new_reference(callee, use_position, true);
    };
    for (int i = 0; i < LENGTH; ++i) functions[i]->body = call(functions[(i + 1) % LENGTH]);
    functions[0]->body = chain({call(functions[0]), functions[0]->body});
    for (int i = 0; i + 1 < LENGTH; ++i) functions[i]->next = functions[i + 1];
    xob_node* list = xob_scope(functions[0]);
    link_walk(list);
    EXPECT_EQ(traps_named("big"), std::vector<std::string>{"123:big"});
    recursion_all_mode all;
    report_call_cycles(list);
    std::vector<std::string> traps = traps_named("big");
    EXPECT_EQ(std::count(traps.begin(), traps.end(), "123:big"), 1);
    EXPECT_EQ(std::count(traps.begin(), traps.end(), "124:big#big"), LENGTH);
}
