// What the configuration file, the finalisation and the report's closing
// sections do with the catalogue as a whole.
#include <cstdio>

#include "model/arena.h"
#include "rules/rule_catalogue.h"

namespace {

const char* text_or_empty(const char* text) { return text ? text : ""; }

// A rule line without a severity passes -1, and a file may give any number;
// the value ends up as an index into the report's severity and display
// tables. A negative value keeps the severity the rule has (a line that only
// renames a rule or gives it a parameter must not switch it off), a value
// above the highest severity counts as an error.
std::int32_t configured_severity(std::int32_t given, std::int32_t current) {
    if (given < SEVERITY_INFO) return current;
    return given > SEVERITY_ERROR ? SEVERITY_ERROR : given;
}

}  // namespace

rule_entry* rule_configure(const char* name, const char* label, const char* errmsg, const char* param,
                    std::int32_t severity, std::int32_t repeat, const char* group) {
    name = text_or_empty(name);
    label = text_or_empty(label);
    errmsg = text_or_empty(errmsg);
    param = text_or_empty(param);
    group = text_or_empty(group);
    rule_entry* entry = rule_by_identifier(name);
    if (!entry || entry->configured) {
        std::printf(
            "%s name:  %s\n     label: %s\n     errmsg:%s\n     param: %s\n"
            "     severity:  %d\n     repeat:   %d\n",
            entry ? "rule already set" : "rule not found", name, label, errmsg, param,
            static_cast<int>(severity), static_cast<int>(repeat));
        return nullptr;
    }
    entry->configured = 1;
    entry->repeat = repeat;
    entry->severity = configured_severity(severity, entry->severity);
    entry->label = arena_strdup(label);
    if (param[0] != '\0')
        entry->param = entry->param_handler ? entry->param_handler(param) : arena_strdup(param);
    entry->errmsg = arena_strdup(errmsg);
    entry->group = arena_strdup(group);
    return entry;
}

void rules_finalise() {
    for (std::int32_t number = RULE_COUNT - 1; number >= 0; --number) {
        rule_entry& entry = rule_table[number];
        if (entry.default_param && !entry.param)
            entry.param = entry.param_handler ? entry.param_handler(entry.default_param)
                                              : entry.default_param;
    }
}

void rules_visit(void (*on_deactivated)(const char* name, const char* errmsg),
                 void (*on_active)(rule_entry* entry)) {
    for (rule_entry& entry : rule_table) {
        if (entry.severity == SEVERITY_INFO) {
            if (on_deactivated) on_deactivated(rule_display_name(entry.number), entry.errmsg);
        } else if (on_active) {
            on_active(&entry);
        }
    }
}
