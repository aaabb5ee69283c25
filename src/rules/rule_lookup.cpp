// Finding rules by identifier, label and number, and reading their fields.
#include <climits>
#include <cstring>

#include "rules/rule_catalogue.h"

namespace {

char upper_ascii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool is_digit(char c) { return c >= '0' && c <= '9'; }

int sign(long difference) { return difference == 0 ? 0 : difference > 0 ? 1 : -1; }

// Compares the decimal values of the digit runs at a and b exactly, whatever
// their length: the identifiers come from input files, so a run may not fit
// in any integer type.
int compare_digit_runs(const char* a, const char* b) {
    while (*a == '0') ++a;
    while (*b == '0') ++b;
    std::size_t length_a = 0, length_b = 0;
    while (is_digit(a[length_a])) ++length_a;
    while (is_digit(b[length_b])) ++length_b;
    if (length_a != length_b) return length_a > length_b ? 1 : -1;
    for (std::size_t i = 0; i < length_a; ++i)
        if (a[i] != b[i]) return a[i] > b[i] ? 1 : -1;
    return 0;
}

rule_entry* entry_or_null(std::int32_t number) {
    return number >= 0 && number < RULE_COUNT ? &rule_table[number] : nullptr;
}

}  // namespace

int rule_name_compare(const char* a, const char* b) {
    if (!a) a = "";
    if (!b) b = "";
    std::size_t i = 0;
    while (a[i] != '\0' && upper_ascii(a[i]) == upper_ascii(b[i])) ++i;
    // A digit run compares by value also where one text's run has ended
    // first ("10_" against "100"): comparing the underscore with the digit
    // would put KYV_10_10 after KYV_100_10, and the order of the table
    // would no longer be one order.
    bool in_common_run = i > 0 && is_digit(a[i - 1]);
    if ((is_digit(a[i]) && is_digit(b[i])) ||
        (in_common_run && (is_digit(a[i]) || is_digit(b[i])))) {
        while (i > 0 && is_digit(a[i - 1])) --i;
        return compare_digit_runs(a + i, b + i);
    }
    return sign(static_cast<long>(static_cast<unsigned char>(upper_ascii(a[i]))) -
                static_cast<long>(static_cast<unsigned char>(upper_ascii(b[i]))));
}

rule_entry* rule_by_identifier(const char* text) {
    std::int32_t low = 0, high = RULE_COUNT - 1;
    while (low <= high) {
        std::int32_t probe = (low + high) / 2;
        int c = rule_name_compare(rule_table[probe].identifier, text);
        if (c < 0)
            low = probe + 1;
        else if (c > 0)
            high = probe - 1;
        else
            return &rule_table[probe];
    }
    return nullptr;
}

rule_entry* rule_by_number(std::int32_t number) { return entry_or_null(number); }

rule_entry* rule_by_name(const char* text) {
    for (rule_entry& entry : rule_table) {
        if (rule_name_compare(entry.identifier, text) == 0) return &entry;
        // An empty label stands for "no label": otherwise a justification
        // naming no rule would match the first rule and justify its traps.
        if (entry.label[0] != '\0' && rule_name_compare(entry.label, text) == 0) return &entry;
    }
    return nullptr;
}

std::int32_t rule_number_of(const rule_entry* entry) { return entry ? entry->number : 0; }

const char* rule_param(std::int32_t number) {
    const rule_entry* entry = entry_or_null(number);
    if (!entry) return "param not found??";
    return entry->param ? entry->param : "";
}

const char* rule_focus_text(std::int32_t number) {
    const rule_entry* entry = entry_or_null(number);
    return entry && entry->focus ? entry->focus : "";
}

const char* rule_errmsg(std::int32_t number) {
    const rule_entry* entry = entry_or_null(number);
    return entry ? entry->errmsg : "??text not found??";
}

const char* rule_group(std::int32_t number) {
    const rule_entry* entry = entry_or_null(number);
    return entry ? entry->group : "";
}

const char* rule_display_name(std::int32_t number) {
    const rule_entry* entry = entry_or_null(number);
    if (!entry) return "UNDEFINED";
    return entry->label[0] != '\0' ? entry->label : entry->identifier;
}

std::int32_t rule_repeat(std::int32_t number) {
    const rule_entry* entry = entry_or_null(number);
    return entry ? entry->repeat : 0;
}

std::int32_t rule_severity(std::int32_t number) {
    const rule_entry* entry = entry_or_null(number);
    if (!entry) return SEVERITY_INFO;
    // Callers index their severity and display tables with this value.
    if (entry->severity < SEVERITY_INFO) return SEVERITY_INFO;
    return entry->severity > SEVERITY_ERROR ? SEVERITY_ERROR : entry->severity;
}

const char* rule_comment(std::int32_t number) {
    const rule_entry* entry = entry_or_null(number);
    return entry && entry->rule_comment[0] != '\0' ? entry->rule_comment : nullptr;
}

void rule_count_hit(std::int32_t number) {
    rule_entry* entry = entry_or_null(number);
    if (entry && entry->hits < INT32_MAX) ++entry->hits;
}

void rule_set_comment(rule_entry* entry, const char* text) {
    if (entry) entry->rule_comment = text ? text : "";
}
