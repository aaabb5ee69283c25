// The parser module, loaded when the first unit must be parsed: beside the
// program (a build tree) or in ../lib/kyvld (an installation). Forked
// children inherit it loaded.
#pragma once
#include <string>

#include "kyvscan/unit_scanner.h"

// The module's entry; null with `error` set when it cannot be loaded.
scan_unit_function load_parser_module(std::string& error);
