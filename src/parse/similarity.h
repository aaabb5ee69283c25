// Identifier similarity checks: every identifier the xob reader enters is
// compared with all names entered before in the run, across xob files,
// through three tables keyed by a reduced form of the name. Each confusable
// pair found becomes a trap naming the earlier and the new identifier.
#pragma once
#include <cstddef>

#include "model/keyed_tree.h"

struct name;
struct xob_node;

// One model entry registered under a key, with the name it bears.
struct similarity_carrier {
    similarity_carrier* next;  // the entry registered before it
    xob_node* entry;
    name* entry_name;
};

// Payload of a similarity table item.
struct similarity_record {
    name* owner;                   // the name that produced the key first
    similarity_carrier* carriers;  // newest first
    std::size_t key_length;        // keys are compared as byte strings of this length
    char key[1];                   // own copy, allocated to its full length
};

// Keyed by the name cut to significant_length (rule KYV_50_10).
extern keyed_tree prefix_table;
// Keyed by the name with every byte replaced through confusion_map (KYV_50_11).
extern keyed_tree confusion_table;
// Keyed by the name with each run of one repeated character reduced to one (KYV_50_12).
extern keyed_tree repetition_table;

// Called by the xob reader right after a definition, declaration, typedef,
// function declaration or function is entered: identifier is the entry's
// interned name, entry the node the enter operation returned (new or found).
void check_similarity(name* identifier, xob_node* entry);
