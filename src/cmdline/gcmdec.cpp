#include "cmdline/gcmdec.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

gcm_settings* gcm_program = nullptr;
int gcm_language = 0;
char* gcm_word_copies = nullptr;

namespace {

// Room for "no" followed by a name.
constexpr int NEGATED_NAME_SIZE = GCM_NAME_SIZE + 2;

// Numbers beyond this magnitude are out of every 32-bit bound; reading stops
// growing there instead of overflowing.
constexpr long long NUMBER_CAP = 1LL << 40;

char upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

const char* name_of(const gcm_name& name) { return name[gcm_language]; }

// Index of the first list separator of text, or 0 when there is none: a
// separator counts only after a character other than a backslash, so never
// at index 0.
std::size_t find_separator(const char* text) {
    char separator = gcm_program->list_separator;
    if (!text[0]) return 0;
    for (std::size_t i = 1; text[i]; ++i)
        if (text[i] == separator && text[i - 1] != '\\') return i;
    return 0;
}

// Removes every backslash that stands directly before a list separator.
void remove_escapes(char* text) {
    char separator = gcm_program->list_separator;
    char* out = text;
    for (char* in = text; *in; ++in)
        if (!(in[0] == '\\' && in[1] == separator)) *out++ = *in;
    *out = '\0';
}

// Leading white space, an optional sign, then decimal digits; no digits give 0.
long long read_number(const char* text) {
    while (*text == ' ' || (*text >= '\t' && *text <= '\r')) ++text;
    bool negative = *text == '-';
    if (*text == '-' || *text == '+') ++text;
    long long number = 0;
    for (; *text >= '0' && *text <= '9'; ++text)
        if (number < NUMBER_CAP) number = number * 10 + (*text - '0');
    return negative ? -number : number;
}

gcm_value* new_value() {
    auto* value = static_cast<gcm_value*>(std::calloc(1, sizeof(gcm_value)));
    if (!value) gcm_no_memory();
    return value;
}

void append_value(gcm_param* param, gcm_value* value) {
    if (param->last_value)
        param->last_value->next = value;
    else
        param->values = value;
    param->last_value = value;
}

// Matches a value against the choices; on success the value becomes the
// choice's name and the choice is marked selected.
int match_choice(gcm_value* value, const char* text, gcm_choice* choices) {
    gcm_choice* best = nullptr;
    int best_length = 0;
    for (gcm_choice* choice = choices; choice; choice = choice->next) {
        const char* name = name_of(choice->name);
        int n = gcm_prefix_match(text, name, gcm_program->value_separator);
        if (n == static_cast<int>(std::strlen(name))) {
            best = choice;
            best_length = n;
            break;
        }
        if (n > 0 && n == best_length && choice != best) best = nullptr;
        if (n > best_length) {
            best = choice;
            best_length = n;
        }
    }
    if (best_length == 0) {
        gcm_error(GCM_UNKNOWN_VALUE, text);
        return -1;
    }
    if (!best) {
        gcm_error(GCM_AMBIGUOUS_VALUE, text);
        return -1;
    }
    value->text = name_of(best->name);
    best->selected = 1;
    return 0;
}

// Converts one piece for param and appends it to its values.
int convert(gcm_param* param, char* piece, gcm_choice* choices) {
    gcm_value* value;
    if (param->type == 'C') {
        std::size_t length = std::strlen(piece);
        if (length < static_cast<std::size_t>(param->lower < 0 ? 0 : param->lower)) {
            gcm_error(GCM_LENGTH_TOO_SMALL, piece);
            return -1;
        }
        if (param->upper < 0 || length > static_cast<std::size_t>(param->upper)) {
            gcm_error(GCM_LENGTH_TOO_LARGE, piece);
            return -1;
        }
        if (!(value = new_value())) return -1;
        remove_escapes(piece);
        value->text = piece;
        if (choices && match_choice(value, piece, choices) != 0) {
            std::free(value);
            return -1;
        }
    } else if (param->type == 'I' || param->type == 'L') {
        long long number = read_number(piece);
        if (number < param->lower) {
            gcm_error(GCM_VALUE_TOO_SMALL, piece);
            return -1;
        }
        if (number > param->upper) {
            gcm_error(GCM_VALUE_TOO_LARGE, piece);
            return -1;
        }
        if (!(value = new_value())) return -1;
        value->number = static_cast<int32_t>(number);
    } else {
        gcm_internal_error(name_of(param->name));
        return -1;
    }
    append_value(param, value);
    return 0;
}

// Splits text at its list separators and converts every non-empty piece.
int add_pieces(gcm_param* param, char* text, gcm_choice* choices) {
    while (*text) {
        std::size_t at = find_separator(text);
        // Only the last piece needs its end measured: measuring every rest
        // would make a word of many pieces quadratic.
        char* rest;
        if (at) {
            text[at] = '\0';
            rest = text + at + 1;
        } else {
            rest = text + std::strlen(text);
        }
        if (convert(param, text, choices) != 0) return -1;
        text = rest;
    }
    return 0;
}

// The best option found so far while the option names are compared.
struct option_search {
    const char* word;
    gcm_option* best = nullptr;
    int best_length = 0;
    int sign = 1;
    bool exact = false;
};

void consider(option_search& search, gcm_option* option, const char* name, int sign) {
    char separator = gcm_program->value_separator;
    int length = static_cast<int>(std::strlen(name));
    int n = gcm_prefix_match(search.word, name, separator);
    char next = search.word[n];
    if (n == length && next != '\0' && next != separator) n = 0;
    if (n == length) {
        search.best = option;
        search.best_length = n;
        search.sign = sign;
        search.exact = true;
        return;
    }
    if (n > 0 && n == search.best_length && option != search.best) search.best = nullptr;
    if (n > search.best_length) {
        search.best = option;
        search.best_length = n;
        search.sign = sign;
    }
}

int decode_option(char* word) {
    option_search search;
    search.word = word;
    for (gcm_option* option = gcm_program->options; option && !search.exact;
         option = option->next) {
        consider(search, option, name_of(option->name), 1);
        if (search.exact || !option->negatable) continue;
        char negated[NEGATED_NAME_SIZE];
        std::snprintf(negated, sizeof negated, "no%s", name_of(option->name));
        consider(search, option, negated, -1);
    }
    if (search.best_length == 0) {
        gcm_error(GCM_UNKNOWN_OPTION, word);
        return -1;
    }
    gcm_option* option = search.best;
    if (!option) {
        gcm_error(GCM_AMBIGUOUS_OPTION, word);
        return -1;
    }
    char separator = gcm_program->value_separator;
    char* rest = word + search.best_length;
    if (*rest != '\0' && *rest != separator) {
        gcm_error(GCM_INVALID_CHARACTER, word);
        return -1;
    }
    gcm_param* param = option->parameter;
    if (option->state != 0 && (!param || param->list != 'Y')) {
        gcm_error(GCM_OPTION_TWICE, word);
        return -1;
    }
    option->state = search.sign;
    if (option->value_required &&
        (*rest == '\0' || (*rest == separator && rest[1] == '\0'))) {
        gcm_error(GCM_VALUE_MANDATORY, word);
        return -1;
    }
    if (!param && *rest == separator) {
        gcm_error(GCM_NO_VALUE_ALLOWED, word);
        return -1;
    }
    if (*rest == '\0') return 0;
    char* value = rest + 1;
    if (find_separator(value) && param->list != 'Y') {
        gcm_error(GCM_OPTION_LIST_FORBIDDEN, word);
        return -1;
    }
    return add_pieces(param, value, option->choices);
}

int decode_positional(char* word, gcm_param* param) {
    if (!param) return 0;
    if (find_separator(word) && param->list != 'Y') {
        gcm_error(GCM_ARGUMENT_LIST_FORBIDDEN, word);
        return -1;
    }
    if (param->values && param->list != 'Y') {
        gcm_error(GCM_TOO_MANY_ARGUMENTS, word);
        return -1;
    }
    return add_pieces(param, word, nullptr);
}

// Frees the values that decoding or a default recorded.
void clear_values(gcm_param* param) {
    if (!param) return;
    for (gcm_value* value = param->values; value;) {
        gcm_value* next = value->next;
        std::free(value);
        value = next;
    }
    param->values = nullptr;
    param->last_value = nullptr;
    param->queried_value = nullptr;
    param->queried_n = 0;
}

// The d-th choice's name becomes the only value when no choice was selected.
int apply_default_choice(gcm_option* option) {
    int d = option->default_choice;
    gcm_choice* wanted = nullptr;
    int number = 0;
    for (gcm_choice* choice = option->choices; choice; choice = choice->next) {
        if (++number == d) wanted = choice;
        if (choice->selected) return 0;
    }
    if (!wanted || !option->parameter) return 0;
    gcm_param* param = option->parameter;
    clear_values(param);
    // The value ends up as the choice's own name (or a number), never as
    // this copy, which conversion may change.
    char copy[GCM_NAME_SIZE];
    std::snprintf(copy, sizeof copy, "%s", name_of(wanted->name));
    return convert(param, copy, wanted);
}

int apply_defaults() {
    for (gcm_option* option = gcm_program->options; option; option = option->next) {
        if (option->on_by_default && option->state == 0) option->state = 1;
        if (!option->on_by_default && option->state == 0 && option->negatable) option->state = -1;
        if (option->choices && option->default_choice > 0 && apply_default_choice(option) != 0)
            return -1;
    }
    return 0;
}

int set_value(int32_t kind, void* element) {
    switch (kind < 0 ? -kind : kind) {
        case GCM_CHOICE: return static_cast<gcm_choice*>(element)->selected;
        case GCM_PARAM: return static_cast<gcm_param*>(element)->values ? 1 : 0;
        case GCM_OPTION: return static_cast<gcm_option*>(element)->state;
        default: return 0;
    }
}

bool present(int32_t kind, void* element) {
    if (!element) return false;
    int value = set_value(kind, element);
    return kind > 0 ? value > 0 : value <= 0;
}

const char* element_name(int32_t kind, void* element) {
    switch (kind < 0 ? -kind : kind) {
        case GCM_CHOICE: return name_of(static_cast<gcm_choice*>(element)->name);
        case GCM_PARAM: return name_of(static_cast<gcm_param*>(element)->name);
        case GCM_OPTION: return name_of(static_cast<gcm_option*>(element)->name);
        default: return "";
    }
}

int check_combinations() {
    for (gcm_combination* rule = gcm_program->combinations; rule; rule = rule->next) {
        if (!present(rule->kind_a, rule->element_a) || !present(rule->kind_b, rule->element_b))
            continue;
        char text[2 * GCM_NAME_SIZE + 64];
        std::snprintf(text, sizeof text, "%s %s %s", element_name(rule->kind_a, rule->element_a),
                      gcm_and_word[gcm_language], element_name(rule->kind_b, rule->element_b));
        gcm_error(GCM_ILLEGAL_COMBINATION, text);
        return -1;
    }
    return 0;
}

gcm_option* option_at(int position) {
    if (position < 0) position = -position;
    if (position == 0) return nullptr;
    gcm_option* option = gcm_program->options;
    for (int i = 1; option && i < position; ++i) option = option->next;
    return option;
}

const gcm_value* nth_value(gcm_param* param, int n) {
    if (!param || n < 1) return nullptr;
    const gcm_value* value = param->values;
    int i = 1;
    if (param->queried_value && n >= param->queried_n) {
        value = param->queried_value;
        i = param->queried_n;
    }
    for (; value && i < n; ++i) value = value->next;
    if (value) {
        param->queried_value = value;
        param->queried_n = n;
    }
    return value;
}

}  // namespace

int gcm_prefix_match(const char* word, const char* name, char value_separator) {
    int n = 0;
    while (word[n] && name[n] && upper(word[n]) == upper(name[n])) ++n;
    if (!name[n] || !word[n] || word[n] == value_separator) return n;
    return 0;
}

void gcm_reset() {
    std::free(gcm_word_copies);
    gcm_word_copies = nullptr;
    for (gcm_param* param = gcm_program->params; param; param = param->next) clear_values(param);
    for (gcm_option* option = gcm_program->options; option; option = option->next) {
        option->state = 0;
        clear_values(option->parameter);
        for (gcm_choice* choice = option->choices; choice; choice = choice->next)
            choice->selected = 0;
    }
}

int gcm_decode(int argc, char** argv) {
    gcm_reset();
    // One block holds the private copies of all words, in order.
    std::size_t total = 1;
    for (int i = 1; i < argc; ++i)
        if (argv[i]) total += std::strlen(argv[i]) + 1;
    char* copy = static_cast<char*>(std::malloc(total));
    if (!copy) {
        gcm_no_memory();
        return -1;
    }
    gcm_word_copies = copy;
    gcm_param* param = gcm_program->params;
    int positional = 0;
    for (int i = 1; i < argc; ++i) {
        if (!argv[i]) continue;
        std::size_t length = std::strlen(argv[i]);
        std::memcpy(copy, argv[i], length + 1);
        int status;
        if (copy[0] == gcm_program->option_prefix) {
            status = decode_option(copy + 1);
        } else {
            // Surplus words go to the last positional parameter.
            if (positional++ > 0 && param && param->next) param = param->next;
            status = decode_positional(copy, param);
        }
        if (status != 0) return -1;
        copy += length + 1;
    }
    for (gcm_param* p = gcm_program->params; p; p = p->next) {
        if (!p->values && !p->optional) {
            gcm_error(GCM_ARGUMENT_MISSING, name_of(p->name));
            return -1;
        }
    }
    if (apply_defaults() != 0) return -1;
    if (gcm_program->set_combinations) gcm_program->set_combinations();
    return check_combinations();
}

int gcm_option_state(const char* name) {
    int position = 1;
    for (gcm_option* option = gcm_program->options; option; option = option->next, ++position) {
        if (std::strcmp(name_of(option->name), name) != 0) continue;
        if (option->state == 0) return 0;
        return option->state == -1 ? -position : position;
    }
    gcm_internal_error(name);
    return 0;
}

const gcm_value* gcm_option_value(int position, int n) {
    gcm_option* option = option_at(position);
    return option ? nth_value(option->parameter, n) : nullptr;
}

const gcm_value* gcm_param_value(int position, int n) {
    if (position < 1) return nullptr;
    gcm_param* param = gcm_program->params;
    for (int i = 1; param && i < position; ++i) param = param->next;
    return nth_value(param, n);
}
