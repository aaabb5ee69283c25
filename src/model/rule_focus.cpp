#include "model/rule_focus.h"

#include <cstdint>
#include <cstring>

#include "model/binding.h"
#include "model/link_pass.h"
#include "rules/link_stage_rules.h"
#include "rules/rule_catalogue.h"

namespace {

constexpr int NO_NEED = -1;

struct focus_entry {
    focus_mode mode;
    std::int32_t rule;
    const char* word;
    bool takes_list;      // the word may carry =ITEM,ITEM...
    int needs;            // the mode that must be given with it, or NO_NEED
};

// One row per mode, in the order of focus_mode.
constexpr focus_entry focus_table[] = {
    {focus_mode::reuse_once, RULE_IDENTIFIER_REUSED, "once", false, NO_NEED},
    {focus_mode::reuse_outer, RULE_IDENTIFIER_REUSED, "outer", false, NO_NEED},
    {focus_mode::redefinition_global, RULE_REDEFINED, "global", false, NO_NEED},
    {focus_mode::hiding_visible, RULE_HIDES_OUTER_SCOPE, "visible", false, NO_NEED},
    {focus_mode::recursion_all, RULE_INDIRECT_RECURSION, "all", false, NO_NEED},
    // Without "all" the link walk's own cycles stay, which mix in address uses.
    {focus_mode::recursion_calls, RULE_INDIRECT_RECURSION, "calls", false,
     static_cast<int>(focus_mode::recursion_all)},
    {focus_mode::file_level_use, RULE_NEVER_REFERENCED, "file-level-use", false, NO_NEED},
    {focus_mode::entry_points, RULE_NEVER_REFERENCED, "entry-points", true, NO_NEED},
    {focus_mode::prefix_visible, RULE_SAME_PREFIX, "visible", false, NO_NEED},
    {focus_mode::look_alike_visible, RULE_LOOK_ALIKE, "visible", false, NO_NEED},
    {focus_mode::repeated_visible, RULE_REPEATED_CHARACTER, "visible", false, NO_NEED},
    {focus_mode::typedef_visible, RULE_TYPEDEF_NAME_REUSED, "visible", false, NO_NEED},
};

constexpr int FOCUS_ROWS = static_cast<int>(sizeof focus_table / sizeof focus_table[0]);

constexpr bool rows_in_mode_order() {
    for (int i = 0; i < FOCUS_ROWS; ++i)
        if (static_cast<int>(focus_table[i].mode) != i) return false;
    return FOCUS_ROWS == static_cast<int>(focus_mode::typedef_visible) + 1;
}
static_assert(rows_in_mode_order(), "focus_table is indexed by focus_mode");

const focus_entry& row_of(focus_mode mode) { return focus_table[static_cast<int>(mode)]; }

// Where the rule's words are: a parameter that a handler reads (a length, a
// set of characters) means something for every text, so the words go in
// the focus attribute.
const char* focus_words(std::int32_t rule) {
    const rule_entry* entry = rule_by_number(rule);
    return entry && entry->param_handler ? rule_focus_text(rule) : rule_param(rule);
}

// One word of a text: [begin, end), its list after '=' (or empty).
struct word_view {
    const char* begin;
    std::size_t length;       // the word without its list
    const char* list;         // after '=', or null
    std::size_t list_length;
};

// The row of the rule that this word names, or null.
const focus_entry* row_named(std::int32_t rule, const word_view& word) {
    for (const focus_entry& row : focus_table) {
        if (row.rule != rule || std::strlen(row.word) != word.length ||
            std::strncmp(row.word, word.begin, word.length) != 0)
            continue;
        if (word.list && (!row.takes_list || word.list_length == 0)) return nullptr;
        return &row;
    }
    return nullptr;
}

// Calls visit with each word of the text, split at single blanks; false
// when a word is empty or visit returns false.
template <class Visit>
bool for_each_word(const char* text, Visit visit) {
    const char* at = text;
    for (;;) {
        const char* end = std::strchr(at, ' ');
        std::size_t length = end ? static_cast<std::size_t>(end - at) : std::strlen(at);
        if (length == 0) return false;
        const char* equals = static_cast<const char*>(std::memchr(at, '=', length));
        word_view word{at, length, nullptr, 0};
        if (equals) {
            word.length = static_cast<std::size_t>(equals - at);
            word.list = equals + 1;
            word.list_length = length - word.length - 1;
        }
        if (!visit(word)) return false;
        if (!end) return true;
        at = end + 1;
    }
}

// The word of the mode in the text, when the text is a valid set of its
// rule's modes: every word names one, none twice, each with what it needs.
bool find_word(const char* text, focus_mode mode, word_view& found) {
    const focus_entry& wanted = row_of(mode);
    bool given[FOCUS_ROWS] = {};
    bool has_it = false;
    bool valid = for_each_word(text, [&](const word_view& word) {
        const focus_entry* row = row_named(wanted.rule, word);
        if (!row) return false;
        int index = static_cast<int>(row->mode);
        if (given[index]) return false;
        given[index] = true;
        if (row == &wanted) {
            found = word;
            has_it = true;
        }
        return true;
    });
    if (!valid || !has_it) return false;
    for (const focus_entry& row : focus_table)
        if (given[static_cast<int>(row.mode)] && row.needs != NO_NEED && !given[row.needs])
            return false;
    return true;
}

}  // namespace

bool focus_text_has(const char* text, focus_mode mode) {
    word_view word{};
    return find_word(text, mode, word);
}

bool focus_on(focus_mode mode) { return focus_text_has(focus_words(row_of(mode).rule), mode); }

std::vector<std::string> focus_list(focus_mode mode) {
    word_view word{};
    std::vector<std::string> items;
    if (!find_word(focus_words(row_of(mode).rule), mode, word) || !word.list) return items;
    const char* at = word.list;
    const char* end = word.list + word.list_length;
    while (at <= end) {
        const char* comma = static_cast<const char*>(std::memchr(at, ',', end - at));
        const char* stop = comma ? comma : end;
        if (stop > at) items.emplace_back(at, stop);
        at = stop + 1;
    }
    return items;
}
