// The built-in catalogue of coding rules: every rule a trap can name, with
// its identifier, group, severity, message template and parameter, plus what
// the configuration file, the justifications and the report add to it.
// Other subsystems name rules by number (0 to RULE_COUNT - 1) or identifier.
#pragma once
#include <cstdint>

constexpr std::int32_t RULE_COUNT = 172;

// Severity values; a justified trap is shown with the display state 3, which
// is never a severity.
enum : std::int32_t {
    SEVERITY_INFO = 0,  // deactivated
    SEVERITY_WARNING = 1,
    SEVERITY_ERROR = 2,
};

// Turns a parameter text into the text stored as the rule's parameter; it
// may also set one of the process-wide values below.
using param_handler_fn = const char* (*)(const char* text);

struct rule_entry {
    std::int32_t number;        // position in rule_table
    const char* identifier;     // KYV_<n>_<m>
    std::int32_t configured;    // 1 once the configuration file has set the rule
    std::int32_t hits;          // unjustified traps, counted by the report
    std::int32_t repeat;        // non-zero: one trap per source file
    std::int32_t severity;      // always SEVERITY_INFO to SEVERITY_ERROR
    const char* label;          // user name; shown instead of the identifier when non-empty
    const char* param;          // null while unset
    const char* default_param;  // null: the rule has no built-in parameter
    const char* errmsg;         // may hold %name%, %param%, %location% and XML entities
    const char* group;
    param_handler_fn param_handler;  // null: the parameter is stored as given
    const char* rule_comment;        // rule-wide justification, empty when none
    // The `focus` attribute of the rule's line (rule_focus.h): the focused
    // modes of a rule whose parameter already has a meaning. Null while unset.
    const char* focus;
};

// The catalogue, in ascending rule number and, under rule_name_compare, in
// ascending identifier order (the look-up by identifier relies on both).
extern rule_entry rule_table[RULE_COUNT];

// Identifiers at least this long are compared on this many characters only
// by the similarity checks; set by rule KYV_50_10's parameter. Never negative.
extern std::int32_t significant_length;

// Maps every byte to the representative of its class of look-alike
// characters; all zero until rule KYV_50_11's parameter has been applied.
extern unsigned char confusion_map[256];

// -1, 0 or 1. Case is ignored for ASCII letters, and where the texts first
// differ inside a run of digits the two runs are compared by value (and
// decide the result alone), so KYV_20_10 sorts before KYV_100_10.
int rule_name_compare(const char* a, const char* b);

// Look-ups; null when there is no such rule.
rule_entry* rule_by_identifier(const char* text);
rule_entry* rule_by_number(std::int32_t number);
// Identifier or non-empty label, first match in rule-number order; used by
// justifications, which may name a rule by its label.
rule_entry* rule_by_name(const char* text);
std::int32_t rule_number_of(const rule_entry* entry);  // 0 for null

// Accessors by number, each with a fixed answer for a number without a rule.
const char* rule_param(std::int32_t number);         // "" while unset; "param not found??"
const char* rule_errmsg(std::int32_t number);        // "??text not found??"
const char* rule_group(std::int32_t number);         // ""
const char* rule_display_name(std::int32_t number);  // label or identifier; "UNDEFINED"
std::int32_t rule_repeat(std::int32_t number);       // 0
std::int32_t rule_severity(std::int32_t number);     // 0
const char* rule_comment(std::int32_t number);       // null when empty or no rule
const char* rule_focus_text(std::int32_t number);    // "" while unset or no rule

void rule_count_hit(std::int32_t number);
// text is kept, not copied (a name-table text); null entry: nothing happens.
void rule_set_comment(rule_entry* entry, const char* text);

// Applies one rule line of the configuration file. Empty texts and -1 stand
// for options the line does not give. A rule set a second time, or a name
// that is no rule, prints a notice on standard output and changes nothing:
// the result is then null, else the rule configured.
rule_entry* rule_configure(const char* name, const char* label, const char* errmsg, const char* param,
                    std::int32_t severity, std::int32_t repeat, const char* group);

// Gives every rule still without a parameter its built-in one; once per run,
// after the configuration file and before the first xob file.
void rules_finalise();

// For each rule in number order: on_deactivated(display name, errmsg) when
// its severity is 0, else on_active(entry). A null callback is skipped.
void rules_visit(void (*on_deactivated)(const char* name, const char* errmsg),
                 void (*on_active)(rule_entry* entry));

// Parameter handlers; each returns a new text that the entry keeps.
const char* define_linknamelength(const char* text);    // sets significant_length
const char* define_ambigus_char_set(const char* text);  // rebuilds confusion_map
const char* memolistecsv(const char* text);             // ",a,b," without blanks or tabs
