// The "all" mode of rule KYV_160_21 (rule_focus.h): every function that lies
// on a call cycle gets a recursion trap, not only those the link walk meets
// on its stack. The cycles are the strongly connected components of the call
// graph, found without recursion over the graph, so a cycle of any length is
// handled.
#pragma once

struct xob_node;

// Does nothing unless the mode is on. After link_walk on the same list:
// records KYV_160_20 for each function that calls itself and KYV_160_21 for
// each member of a cycle of several functions, naming its first callee on
// that cycle. A trap the link walk recorded for a function stays as it was,
// so each member is reported once. In the "calls" mode the graph's edges are
// calls only: a cycle that needs a function's address taken (a callback
// stored, an address hashed) is not reported, as the link walk then
// records none either.
void report_call_cycles(xob_node* list);
