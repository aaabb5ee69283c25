// A trap's message as people write it: names between single apostrophes
// (the report doubles them), a list of parameters as words separated by
// commas (the report brackets it with ",,"), paths relative to the source
// root, and the second position as a link to the result's related location.
#pragma once
#include <string>

#include "kyvreport/report_model.h"

struct shown_message {
    std::string plain;  // for the page
    std::string sarif;  // SARIF's message text: the position as "[text](1)", brackets escaped
};

// root_prefix: the source root with its final "/", "" for none.
// related_path: how the second position's file reads (see display_path).
shown_message show_message(const trap_node& trap, const std::string& related_path, const std::string& root_prefix);

// The fixes of one text outside a link.
std::string people_text(std::string text, const std::string& root_prefix);
