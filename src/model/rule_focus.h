// The focused modes of the whole-program rules: a `param` text on a rule's
// line of the configuration file that narrows what the rule reports to
// findings a developer can act on. Any other text leaves the rule as it is
// (the text is only stored, as for every rule without a parameter handler).
#pragma once

// The parameter text of each mode is in rule_focus.cpp's table.
enum class focus_mode {
    reuse_once,           // KYV_50_70: each later definition against the earliest only
    reuse_outer,          // KYV_50_70: only reuses that involve a file-level name
    redefinition_global,  // KYV_80_90: only definitions at file level
    hiding_visible,       // KYV_50_20: only outer names the inner scope can see
    recursion_all,        // KYV_160_21: every function on a call cycle
    file_level_use,       // KYV_160_500: a use at file level counts as a reference
};

// Whether the mode's rule has exactly the mode's text as its parameter.
bool focus_on(focus_mode mode);
