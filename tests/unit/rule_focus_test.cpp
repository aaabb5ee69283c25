#include "model/rule_focus.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/entry_points.h"
#include "model/link_pass.h"
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
