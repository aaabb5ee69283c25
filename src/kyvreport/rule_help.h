// What a rule says about itself in the SARIF log and on the page. A rule
// kyvld raises itself takes its name, full description and help from the
// rules document (rule_help_text.h); any other takes them from the built-in
// catalogue's message for its identifier, or from its group (a labelled
// rule, or one the catalogue does not hold). The short description is
// always the message in plain words.
#pragma once
#include <string>

#include "kyvreport/rule_book.h"

struct rule_description {
    std::string name;        // a readable identifier: "IdentifierReused"
    std::string short_text;  // the message in plain words, without the names it gives
    std::string full_text;
    std::string help_text;
    std::string help_markdown;
    std::string help_uri;    // the rule's section of the rules document
    std::string precision;   // very-high, high, medium or low
};

// document_uri: the rules document's URI, without a fragment.
rule_description describe_rule(const rule_row& rule, const std::string& document_uri);
