// gcmdec: a table-driven command-line decoder. A program describes its
// options and positional parameters in the records below; decoding checks the
// words against them, records what was given in the records themselves, and
// reports the first error with the program's usage text.
#pragma once
#include <cstdint>

// Interface languages; each name field holds one name per language.
constexpr int GCM_LANGUAGES = 1;
// A name: at most 20 characters and a terminator.
constexpr int GCM_NAME_SIZE = 21;
typedef char gcm_name[GCM_LANGUAGES][GCM_NAME_SIZE];

// One decoded value, in the order given.
struct gcm_value {
    const char* text;  // type C: into the decoder's copy of the word, or a choice name
    int32_t number;    // types I and L
    gcm_value* next;
};

// A positional parameter, or the value of an option.
struct gcm_param {
    gcm_name name;     // shown in "Argument missing,"
    char type;         // 'C' string, 'I' integer, 'L' long integer
    char list;         // 'Y': several values allowed; 'N': at most one
    int32_t lower;     // smallest length (C) or value (I, L)
    int32_t upper;     // largest length or value
    int32_t optional;  // positional only: may stay without a value
    gcm_param* next;   // next positional parameter
    gcm_value* values;
    // Private to the decoder: the last value, so that appends take constant
    // time, and the value last queried, so that queries n, n + 1, ... do too.
    gcm_value* last_value = nullptr;
    const gcm_value* queried_value = nullptr;
    int queried_n = 0;
};

// A keyword allowed as the value of an option.
struct gcm_choice {
    gcm_name name;
    int32_t selected;  // set when a value matched it
    gcm_choice* next;
};

struct gcm_option {
    gcm_name name;           // without the prefix
    int32_t value_required;  // must be written with a non-empty value
    gcm_param* parameter;    // none: the option takes no value
    int32_t state;           // 0 not given, 1 given, -1 negated or off by default
    int32_t negatable;       // "no" + name sets state -1
    int32_t on_by_default;
    int32_t default_choice;  // 1-based index into choices, 0 for none
    gcm_choice* choices;     // type C parameters only
    gcm_option* next;
};

// Element kinds of a combination; the sign picks the form that counts as
// present (positive: set; negative: absent, unselected, empty or negated).
constexpr int32_t GCM_CHOICE = 1;
constexpr int32_t GCM_PARAM = 2;
constexpr int32_t GCM_OPTION = 3;

// A forbidden combination of two elements.
struct gcm_combination {
    int32_t kind_a;
    void* element_a;
    int32_t kind_b;
    void* element_b;
    gcm_combination* next;
};

// One program's command line.
struct gcm_settings {
    char option_prefix;
    char value_separator;
    char list_separator;
    gcm_param* params;
    gcm_option* options;
    gcm_combination* combinations;
    const char* usage[GCM_LANGUAGES];
    // Fills the combination list; called once per decoding, after defaults.
    void (*set_combinations)();
};

// The program's settings, set before expansion and decoding.
extern gcm_settings* gcm_program;
// Index of the current interface language.
extern int gcm_language;
// The block of private word copies of the last decoding; values of type C
// point into it.
extern char* gcm_word_copies;

// Clears and frees what a decoding recorded (states, values, selected
// choices, word copies), so that another command line can be decoded against
// the same tables. Decoding starts with it.
void gcm_reset();

// Decodes argv[1..argc-1]. 0 on success; -1 after printing the first error.
int gcm_decode(int argc, char** argv);

// Exact (case-sensitive) name lookup: 0 when not given, minus the 1-based
// position when negated, the position otherwise. Unknown names print the
// internal error and give 0.
int gcm_option_state(const char* name);

// The n-th value (from 1) of the option at position (sign ignored), or null.
const gcm_value* gcm_option_value(int position, int n);

// The n-th value (from 1) of the positional parameter at position, or null.
const gcm_value* gcm_param_value(int position, int n);

// Message numbers, indexes into the message table.
enum gcm_message {
    GCM_VALUE_TOO_SMALL = 0,
    GCM_VALUE_TOO_LARGE = 1,
    GCM_LENGTH_TOO_SMALL = 2,
    GCM_LENGTH_TOO_LARGE = 3,
    GCM_TOO_MANY_ARGUMENTS = 4,
    GCM_ARGUMENT_LIST_FORBIDDEN = 5,
    GCM_UNKNOWN_OPTION = 6,
    GCM_INVALID_CHARACTER = 7,
    GCM_OPTION_TWICE = 8,
    GCM_VALUE_MANDATORY = 9,
    GCM_NO_VALUE_ALLOWED = 10,
    GCM_OPTION_LIST_FORBIDDEN = 11,
    GCM_ARGUMENT_MISSING = 12,
    GCM_AMBIGUOUS_OPTION = 13,
    GCM_UNKNOWN_VALUE = 14,
    GCM_AMBIGUOUS_VALUE = 15,
    GCM_ILLEGAL_COMBINATION = 16,
    GCM_FILE_NOT_FOUND = 17,
    GCM_NO_MEMORY = 18,
    GCM_COMMAND_ANALYSIS = 19,
    GCM_BAD_OPTION_NAME = 20,
    GCM_MESSAGE_COUNT = 21
};

// Untranslated message texts per language, and the word joining the two
// elements of message 16.
extern const char* const gcm_messages[GCM_LANGUAGES][GCM_MESSAGE_COUNT];
extern const char* const gcm_and_word[GCM_LANGUAGES];

// Prints message number with text (none when null) and the usage text.
void gcm_error(int number, const char* text);
// Prints the out-of-memory message (no line break, no usage text).
void gcm_no_memory();
// Prints the internal error for an option name the table does not hold.
void gcm_internal_error(const char* name);

// Prefix match of a word against a name, ignoring the case of a-z only: the
// count of equal leading characters when the name or the word ends there or
// the word goes on with the value separator; otherwise 0.
int gcm_prefix_match(const char* word, const char* name, char value_separator);
