#include "model/rule_focus.h"

#include <cstdint>
#include <cstring>

#include "model/binding.h"
#include "model/link_pass.h"
#include "rules/rule_catalogue.h"

namespace {

struct focus_entry {
    focus_mode mode;
    std::int32_t rule;
    const char* param;
};

// One row per mode, in the order of focus_mode.
constexpr focus_entry focus_table[] = {
    {focus_mode::reuse_once, RULE_IDENTIFIER_REUSED, "once"},
    {focus_mode::reuse_outer, RULE_IDENTIFIER_REUSED, "outer"},
    {focus_mode::redefinition_global, RULE_REDEFINED, "global"},
    {focus_mode::hiding_visible, RULE_HIDES_OUTER_SCOPE, "visible"},
    {focus_mode::recursion_all, RULE_INDIRECT_RECURSION, "all"},
    {focus_mode::file_level_use, RULE_NEVER_REFERENCED, "file-level-use"},
};

constexpr int FOCUS_ROWS = static_cast<int>(sizeof focus_table / sizeof focus_table[0]);

constexpr bool rows_in_mode_order() {
    for (int i = 0; i < FOCUS_ROWS; ++i)
        if (static_cast<int>(focus_table[i].mode) != i) return false;
    return FOCUS_ROWS == static_cast<int>(focus_mode::file_level_use) + 1;
}
static_assert(rows_in_mode_order(), "focus_table is indexed by focus_mode");

}  // namespace

bool focus_on(focus_mode mode) {
    const focus_entry& entry = focus_table[static_cast<int>(mode)];
    return std::strcmp(rule_param(entry.rule), entry.param) == 0;
}
