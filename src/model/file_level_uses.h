// The functions a program uses at file level, outside every function body:
// typically stored in a file-scope table of function pointers. Rule
// KYV_160_500's "file-level-use" mode (rule_focus.h) counts them as referenced.
#pragma once
#include <unordered_set>

struct xob_node;

using function_set = std::unordered_set<const xob_node*>;

// The functions used by a reference in the block list or in the sources
// inside it, without entering function bodies.
function_set functions_used_at_file_level(xob_node* list);
