// Identifier similarity checks: every identifier the xob reader enters is
// compared with all names entered before in the run, across xob files,
// through three tables keyed by a reduced form of the name. Each confusable
// pair found becomes a trap naming the earlier and the new identifier.
#pragma once
#include <cstddef>
#include <cstdint>

#include "model/hashed_set.h"

struct name;
struct xob_node;

// One key of one table. The key itself is not kept: it is the key of the
// owner's text, rebuilt when a search finds a record with the same hash.
// Only the entry registered last under the key is ever paired with a new
// one, so it is the only one kept.
struct similarity_record {
    std::uint32_t hash;  // of the key
    name* owner;         // the name that produced the key first
    xob_node* newest_entry;  // its name is the name registered last
};

// The three records a name's keys lead to, kept with the name's bindings, so
// that a name entered again (a declaration read again by the next unit) needs
// no key built or searched.
struct similarity_keys_of_name {
    std::uint64_t tables;  // the generation of the tables whose records these are
    similarity_record* records[3];
    bool owns_all;  // the name owns all three keys: entering it again changes nothing
};

// The tables of one run. Keyed by the name cut to significant_length
// (KYV_50_10), by the name with every byte replaced through confusion_map
// (KYV_50_11), and by the name with each run of one repeated character
// reduced to one (KYV_50_12). Their order is never observed.
struct similarity_tables {
    similarity_tables();
    hashed_set<similarity_record> by_key[3];
    std::uint64_t generation;  // distinct for every instance made in the process
    // What every name that owns all three of its keys keeps (no records):
    // most names are unique, and need nothing of their own. Kept for the
    // whole process, as the names that point to it are.
    similarity_keys_of_name* owns_all_keys;
};

// The run's tables.
extern similarity_tables similarity;

// Called by the xob reader right after a definition, declaration, typedef,
// function declaration or function is entered: identifier is the entry's
// interned name, entry the node the enter operation returned (new or found).
void check_similarity(name* identifier, xob_node* entry);
// The same against tables of the caller's.
void check_similarity_in(similarity_tables& tables, name* identifier, xob_node* entry);
