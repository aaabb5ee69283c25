// The entry points of a program or library: where control comes from
// outside it, so that nothing in it needs to call them. Rule KYV_160_500's
// "entry-points" mode (rule_focus.h) counts them as referenced: `main`, and
// the functions of the public headers the configuration names (a library's
// API, called by the programs that embed it).
#pragma once
#include <string>
#include <vector>

#include "model/file_level_uses.h"

// Whether a header named in the configuration is this file: the same full
// path, or a full path that ends in "/" and the name (a base name, or the
// end of a path: "zstd.h", "lib/zstd.h").
bool is_public_header(const char* full_path, const std::vector<std::string>& public_headers);

// Among the functions of function_list: `main` unless static, each function
// defined in a public header, and each function not static that a public
// header declares.
function_set entry_point_functions(const std::vector<std::string>& public_headers);
