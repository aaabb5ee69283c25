// The focused mode "visible" of one similarity table (rule_focus.h): a name
// is paired only with a name that one scope can see together with it
// (name_place.h). Unlike the default check, which keeps only the entry
// registered last under a key, every sighting of every name behind a key is
// kept, each with the unit that read it: the newest one is often in a scope
// the new name cannot see while an older one is. A header read by several
// units gives one node, seen once by each of them. Kept only while the mode
// is on: on a generated 116 MB corpus the focused profile then took 2.3 s
// and 117 MiB instead of 0.8 s and 38 MiB (one reading thread), most of it
// in the look-up by key; on a real program of 34 units, 0.08 s instead of
// 0.05 s.
#pragma once
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <unordered_map>
#include <tuple>
#include <vector>

struct name;
struct xob_node;

class visible_similarity {
public:
    // Keeps the sighting of the entry, read by this unit, under the key, and
    // gives the entry of another name that it pairs with: the newest
    // sighting one scope can see together with it. Null when there is none,
    // or when the two names were paired already in that scope: a header read
    // again, or a function declared and then defined, is one finding.
    xob_node* pair_for(const char* key, std::size_t key_length, xob_node* entry,
                       const xob_node* unit);

private:
    struct sighting {
        xob_node* entry;
        const xob_node* unit;
        std::uint32_t order;  // over all sightings of the table
    };
    struct sightings_of_name {
        const name* identifier;
        std::vector<sighting> seen;  // oldest first
    };

    std::unordered_map<std::string, std::vector<sightings_of_name>> keys_;
    // The two names, and the function of a local among them, or else the
    // unit of a static one, or else null (both external).
    std::set<std::tuple<const name*, const name*, const xob_node*>> paired_;
    std::uint32_t next_order_ = 0;
};
