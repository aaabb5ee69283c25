// The focused modes of the whole-program rules: a `param` text on a rule's
// line of the configuration file that narrows what the rule reports to
// findings a developer can act on. The text is one mode's word, or several
// words of one rule's modes separated by single blanks; a mode that takes a
// list is written WORD=ITEM,ITEM. A text with any other word, or another
// spacing, leaves the rule as it is (the text is only stored, as for every
// rule without a parameter handler).
// A rule whose parameter already means something (a length, a set of
// characters) takes its words from the `focus` attribute of its line
// instead, which configuration files left unread so far.
#pragma once
#include <string>
#include <vector>

// The word of each mode is in rule_focus.cpp's table.
enum class focus_mode {
    reuse_once,           // KYV_50_70: each later definition against the earliest only
    reuse_outer,          // KYV_50_70: only reuses that involve a file-level name
    redefinition_global,  // KYV_80_90: only definitions at file level
    hiding_visible,       // KYV_50_20: only outer names the inner scope can see
    recursion_all,        // KYV_160_21: every function on a call cycle
    recursion_calls,      // KYV_160_21, with recursion_all: cycles made of calls only
    file_level_use,       // KYV_160_500: a use at file level counts as a reference
    entry_points,         // KYV_160_500: main and the named public headers' functions count
    // KYV_50_10, KYV_50_11, KYV_50_12, KYV_50_30: two names are paired only
    // when one scope can see both (similarity_visible.h).
    prefix_visible,
    look_alike_visible,
    repeated_visible,
    typedef_visible,
};

// Whether the mode's rule has the mode's word among a valid text's words
// (of its parameter, or of its focus attribute when the parameter has a handler).
bool focus_on(focus_mode mode);
// The items of the mode's list (WORD=A,B gives A and B); empty when the mode
// is off or its word has no list.
std::vector<std::string> focus_list(focus_mode mode);

// The same reading of a given text as the parameter of the mode's rule, for tests.
bool focus_text_has(const char* text, focus_mode mode);
