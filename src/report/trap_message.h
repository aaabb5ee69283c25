// Expansion of a rule's message template for one trap: "%location%",
// "%name%" and "%param%", into the report or onto the console.
#pragma once
#include <cstdio>

#include "model/report_sink.h"

struct trap_message {
    const char* message_template;
    const char* full_path;    // the trap's own file
    const char* second_path;  // "?" when the trap has no second position
    int second_line;
    int second_row;
    trap_names names;
    const char* param;
};

// Into the report, inside an open TEXT element: "%location%" becomes a link
// to the second position, each "%name%" the next name between apostrophes or '??'.
void write_trap_message(std::FILE* stream, const trap_message& message);

// Onto the console: names without added apostrophes, entities of the
// template turned back into characters.
void print_trap_message(std::FILE* stream, const trap_message& message);
