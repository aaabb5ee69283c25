// The link pass: walks the call graph of the whole program once every xob
// file has been read, and adds the traps that only the whole program shows:
// recursion (rules 123, 124), declarations without a definition (rule 48)
// and functions that are never referenced (rule 133).
#pragma once
#include <cstdint>

#include "rules/link_stage_rules.h"  // the rule numbers raised here

struct xob_node;

// Walks a block list and every function it calls, marking functions CALLED,
// RECURSIVE and DEPTH_KNOWN and setting their call_depth; returns the deepest
// call chain found in the list, 0 when it holds no call. The driver calls it
// once on the head of xob_list. The walk keeps its own stack: call chains of
// any length are walked without deep recursion. In rule KYV_160_21's "calls"
// mode (rule_focus.h) it sets the marks but records no recursion trap.
std::int32_t link_walk(xob_node* list);
// Nodes the last link_walk looked at; lets tests see that lists sharing their
// tail cost the walk once.
std::int64_t link_walk_examined();

// Rule 48 for every declaration still without a definition outside system include files.
void check_undefined_declarations();

// Rule 133 for every function in a block list that the link pass did not mark
// CALLED, and in the file-level-use mode (rule_focus.h) was not used at file
// level, and in the entry-points mode is no entry point (entry_points.h).
void check_unreferenced_functions();

// Calls the callback on every node of the list in order; where it returns
// non-zero, descends into a function's body (ON_STACK set meanwhile) unless
// that body is being walked already, or into a source's blocks unless those
// blocks are the list being walked. Each node is visited once per walk: lists
// that share their tail stop where they meet a node visited before. Returns
// the callback's last result on the list itself.
using model_visit = int (*)(xob_node* node, void* argument);
int model_walk(xob_node* list, void* argument, model_visit callback);
