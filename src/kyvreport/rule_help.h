// What a rule says about itself in the SARIF log and on the page: a name, a
// short and a full description and a help text, from the built-in
// catalogue's message for its identifier, from its group otherwise (a
// labelled rule, or one the catalogue does not hold).
#pragma once
#include <string>

#include "kyvreport/rule_book.h"

struct rule_description {
    std::string name;        // a readable identifier: "IdentifierShouldNotBeReused"
    std::string short_text;  // the message in plain words, without the names it gives
    std::string full_text;
    std::string help_text;
    std::string help_markdown;
};

rule_description describe_rule(const rule_row& rule);
