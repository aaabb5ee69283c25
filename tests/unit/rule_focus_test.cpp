#include "model/rule_focus.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/binding.h"
#include "model/entry_points.h"
#include "model/link_pass.h"
#include "model/name_place.h"
#include "model/xob_node.h"
#include "rules/link_stage_rules.h"
#include "rules/rule_catalogue.h"

namespace {

struct text_case {
    const char* text;
    focus_mode mode;
    bool on;
};

// A text turns a mode on only when every word is one of its rule's modes,
// written exactly, separated by single blanks: any other text is only stored.
TEST(RuleFocus, ParameterTextsAndTheModesTheyTurnOn) {
    const text_case cases[] = {
        {"outer", focus_mode::reuse_outer, true},
        {"outer", focus_mode::reuse_once, false},
        {"once outer", focus_mode::reuse_once, true},
        {"once outer", focus_mode::reuse_outer, true},
        {"outer ", focus_mode::reuse_outer, false},
        {" outer", focus_mode::reuse_outer, false},
        {"once  outer", focus_mode::reuse_outer, false},
        {"outer outer", focus_mode::reuse_outer, false},
        {"Visible", focus_mode::hiding_visible, false},
        {"all", focus_mode::recursion_all, true},
        {"all", focus_mode::recursion_calls, false},
        {"all calls", focus_mode::recursion_calls, true},
        {"calls all", focus_mode::recursion_calls, true},
        {"calls", focus_mode::recursion_calls, false},  // needs all
        {"ALL calls", focus_mode::recursion_calls, false},
        {"all outer", focus_mode::recursion_all, false},  // another rule's word
        {"file-level-use", focus_mode::file_level_use, true},
        {"file-level-use entry-points", focus_mode::file_level_use, true},
        {"file-level-use entry-points", focus_mode::entry_points, true},
        {"entry-points=zstd.h,lib/zdict.h", focus_mode::entry_points, true},
        {"entry-points=", focus_mode::entry_points, false},
        {"file-level-use=a.h", focus_mode::file_level_use, false},  // takes no list
        {"file-level", focus_mode::file_level_use, false},
        {"", focus_mode::file_level_use, false},
    };
    for (const text_case& c : cases)
        EXPECT_EQ(focus_text_has(c.text, c.mode), c.on)
            << '"' << c.text << "\" mode " << static_cast<int>(c.mode);
}

TEST(RuleFocus, ListItemsOfTheRulesParameter) {
    rule_entry* rule = rule_by_number(RULE_NEVER_REFERENCED);
    const char* saved = rule->param;
    struct list_case {
        const char* param;
        std::vector<std::string> items;
    } cases[] = {
        {"file-level-use entry-points=zstd.h,,lib/zdict.h", {"zstd.h", "lib/zdict.h"}},
        {"entry-points", {}},
        {"entry-points=a.h junk", {}},  // not a valid text: the mode is off
    };
    for (const list_case& c : cases) {
        rule->param = c.param;
        EXPECT_EQ(focus_list(focus_mode::entry_points), c.items) << c.param;
    }
    rule->param = saved;
}

// A rule whose parameter a handler reads (a length, a set of characters)
// takes its words from the focus attribute; the others from the parameter.
TEST(RuleFocus, WordsOfARuleWithAHandlerComeFromItsFocusAttribute) {
    struct carrier_case {
        focus_mode mode;
        const char* param;
        const char* focus;
        bool on;
    } cases[] = {
        {focus_mode::prefix_visible, "visible", nullptr, false},
        {focus_mode::prefix_visible, "31", "visible", true},
        {focus_mode::look_alike_visible, "visible", nullptr, false},
        {focus_mode::look_alike_visible, "0O", "visible", true},
        {focus_mode::look_alike_visible, "0O", "visible once", false},
        {focus_mode::repeated_visible, "visible", nullptr, true},
        {focus_mode::repeated_visible, nullptr, "visible", false},
        {focus_mode::typedef_visible, "visible", nullptr, true},
    };
    const std::int32_t rules[] = {RULE_SAME_PREFIX, RULE_LOOK_ALIKE, RULE_REPEATED_CHARACTER,
                                  RULE_TYPEDEF_NAME_REUSED};
    for (const carrier_case& c : cases) {
        for (std::int32_t number : rules) {
            rule_by_number(number)->param = nullptr;
            rule_by_number(number)->focus = nullptr;
        }
        rule_entry* rule = rule_by_number(rules[static_cast<int>(c.mode) -
                                                static_cast<int>(focus_mode::prefix_visible)]);
        rule->param = c.param;
        rule->focus = c.focus;
        EXPECT_EQ(focus_on(c.mode), c.on) << static_cast<int>(c.mode) << ' ' << c.focus;
    }
    for (std::int32_t number : rules) {
        rule_by_number(number)->param = nullptr;
        rule_by_number(number)->focus = nullptr;
    }
}

// Which two places one scope sees: a and b in each order.
TEST(NamePlace, OneScopeSeesBothNames) {
    xob_node unit_a{}, unit_b{}, f{}, g{};
    const name_place a_static{nullptr, 0, false, &unit_a}, a_extern{nullptr, 0, true, &unit_a},
        b_static{nullptr, 0, false, &unit_b}, b_extern{nullptr, 0, true, &unit_b},
        f_param{&f, 1, false, &unit_a}, f_inner{&f, 2, false, &unit_a},
        f_other_inner{&f, 2, false, &unit_a}, g_param{&g, 1, false, &unit_b},
        g_local_of_a{&g, 1, false, &unit_a};
    struct pair_case {
        const name_place& a;
        const name_place& b;
        bool seen;
    } cases[] = {
        {a_static, a_extern, true},       // one unit
        {a_static, b_static, false},      // two units, one static
        {a_extern, b_static, false},
        {a_extern, b_extern, true},       // both external
        {f_param, f_inner, true},         // the outermost block encloses every block
        {f_inner, f_other_inner, false},  // maybe sibling blocks
        {f_param, g_local_of_a, false},   // two functions
        {f_inner, a_static, true},        // a local and a name its unit reads
        {f_inner, b_extern, false},       // ... another unit reads it
        {g_param, b_static, true},
    };
    for (const pair_case& c : cases) {
        EXPECT_EQ(one_scope_sees(c.a, c.b), c.seen) << &c - cases;
        EXPECT_EQ(one_scope_sees(c.b, c.a), c.seen) << &c - cases;
    }
}

TEST(EntryPoints, PublicHeadersMatchWholePathComponents) {
    const std::vector<std::string> headers = {"zstd.h", "include/gadget/api.h", "/abs/x.h"};
    struct path_case {
        const char* path;
        bool is_public;
    } cases[] = {
        {"/src/lib/zstd.h", true},     {"zstd.h", true},
        {"/src/lib/xzstd.h", false},   {"/src/lib/zstd.h.in", false},
        {"/p/include/gadget/api.h", true}, {"/p/gadget/api.h", false},
        {"/abs/x.h", true},            {"/other/abs/x.h", false},
        {"/src/lib/zstd_internal.h", false},
    };
    for (const path_case& c : cases) EXPECT_EQ(is_public_header(c.path, headers), c.is_public) << c.path;
    EXPECT_FALSE(is_public_header("/src/zstd.h", {}));
}

}  // namespace
