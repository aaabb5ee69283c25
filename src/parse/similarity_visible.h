// The focused mode "visible" of the similarity tables (rule_focus.h): a name
// is paired only with a name that one scope can see together with it
// (name_place.h). Unlike the default check, which keeps only the entry
// registered last under a key, every name behind a key keeps its sightings,
// each with the unit that read it (similarity_sightings.h): the newest one
// is often in a scope the new name cannot see while an older one is. A
// header read by several units gives one node, seen once by each of them.
// The keys of a name are made once, when it is first met; a key that only
// one name has met costs nothing more; an entry asks each other name behind
// its key, a few look-ups each. On a generated 116 MB corpus (one reading
// thread) the focused profile costs what it costs without these rules
// (0.70 s; 39 MiB against 38); the first version, which looked every entry
// up by its key text and scanned the other names' sightings, took 1.7 s
// and 117 MiB.
#pragma once
#include <cstddef>
#include <cstdint>
#include <tuple>
#include <unordered_set>

#include "parse/similarity.h"
#include "parse/similarity_sightings.h"

struct name;
struct xob_node;

// What a name keeps in a run with a table in the focused mode, made when it
// is first met: the record of each key that another name met too (a
// similarity_record in a table in the default mode, a visible_key_group in
// one in the focused mode; 0 for a key the name alone has met, and for the
// prefix key of a short name), and its sightings. Every name keeps one: a
// name alone under all its keys can still be paired with a name met later.
// Its arena number is the name's number in the sighting index. The records
// sit apart, made when the first of them is: most names have none.
struct visible_key_records {
    std::uint32_t of_table[3];  // arena numbers
};
struct visible_name_note {
    std::uint32_t records;  // arena number of its visible_key_records, or 0
    name_sightings sightings;
};

// The record of a key that two names or more have met, in a table in the
// focused mode: the names behind it, as a list of cells.
struct visible_key_group : similarity_record {
    std::uint32_t members;  // arena number of the newest member cell
};
struct visible_member {
    std::uint32_t note;  // arena number of the name's visible_name_note
    std::uint32_t next;  // arena number of the older cell, or 0
};

class visible_similarity {
public:
    // Puts the name into the key's group (a new group holds no one yet).
    static void join(visible_key_group& group, std::uint32_t note);
    // The entry of another name of the group that the entry (of the name
    // of this note, at `here`) pairs with in the given table: the newest
    // sighting one scope can see together with it. Null when there is none,
    // or when the two names were paired already in that scope: a header read
    // again, or a function declared and then defined, is one finding.
    xob_node* pair_for(int table, const visible_key_group& group, std::uint32_t note,
                       xob_node* entry, const name_place& here);
    // Keeps the sighting once all tables are done with the entry.
    void keep(visible_name_note& note, xob_node* entry, const name_place& here);

private:
    sighting_index sightings_;
    using pair_in_scope = std::tuple<const name*, const name*, const xob_node*>;
    struct pair_hash {
        std::size_t operator()(const pair_in_scope& pair) const;
    };
    // By table: the two names, and the function of a local among them, or
    // else the unit of a static one, or else null (both external). Hashed:
    // looked up for every pair found again, a tree cost 2% of a run.
    std::unordered_set<pair_in_scope, pair_hash> paired_[3];
};
