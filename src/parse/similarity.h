// Identifier similarity checks: names that can be mistaken for one another.
#pragma once

struct name;
struct xob_node;

// Compares a newly entered identifier with every one entered before in the run.
void check_similarity(name* identifier, xob_node* entry);
