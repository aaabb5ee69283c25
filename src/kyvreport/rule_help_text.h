// The hand-written help of the rules kyvld raises itself, generated from
// doc/rules.md (cmake/rule_help_gen.pl), which is also the installed
// document that every rule's helpUri points into.
#pragma once
#include <string>

struct rule_help_text {
    const char* id;         // KYV_<n>_<m>
    const char* name;       // readable identifier
    const char* anchor;     // the rule's section in the document
    const char* precision;  // very-high, high, medium or low
    const char* full_text;  // what the rule finds
    const char* help_text;
    const char* help_markdown;
};

extern const rule_help_text RULE_HELP_TEXTS[];
extern const int RULE_HELP_TEXT_COUNT;

// The section of the document for the rules the analyser raises.
constexpr const char* ANALYSER_RULES_ANCHOR = "analyser-rules";

// The help of a rule kyvld raises, by identifier; null for any other.
const rule_help_text* rule_help_for(const std::string& id);
