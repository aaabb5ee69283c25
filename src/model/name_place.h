// Where a named node can be seen from, for the focused modes that pair two
// names only when one scope can see both (rule_focus.h, "visible"). An xob
// file records a local's block depth, not its block: two locals of one
// function are known to share a scope only when one of them belongs to the
// function's outermost block (depth 1: its parameters and the body's own
// names), which encloses every other block of the function.
#pragma once
#include <cstdint>

struct xob_node;

struct name_place {
    const xob_node* function;  // the function whose body holds the name; null at file level
    std::int32_t depth;        // block depth inside the function, from 1
    bool external;             // at file level with external linkage
    const xob_node* unit;      // the xob scope node of the unit that read the name
};

// The place of a declaration, definition, typedef, function or function
// declaration as the given unit read it.
name_place place_of(const xob_node* node, const xob_node* unit);
// The place of the element being read now, at this depth (0 at file level).
name_place place_here(std::int32_t depth, bool external);
// The unit being read: the xob scope node around the innermost open scope.
xob_node* unit_being_read();

// Both at file level and read by one unit, or both with external linkage;
// a local and a file-level name read by the local's unit; two locals of one
// function when one of them is at depth 1.
bool one_scope_sees(const name_place& a, const name_place& b);
