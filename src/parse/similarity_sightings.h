// The sightings of names for the focused mode "visible" of the similarity
// checks (similarity_visible.h), indexed by what a visibility query asks
// (name_place.h): per name, the newest sighting with external linkage; per
// name and function, the newest local, and the newest at depth 1 or less;
// per name, the newest file-level sighting and the newest local of the unit
// being read. A query is then a few look-ups, not a scan of every sighting:
// the scan walked thousands of locals `i` of other functions for a local
// `l`. Units are read one after the other and a unit sees only what it read
// itself, so the unit's part is emptied when the next unit begins.
// The part kept for every name sits in the caller's record of the name
// (name_sightings), with the locals of the first function the name has any
// in: most names have none in a second, and (name, function) slots for all
// of them cost 6 MB on a generated 116 MB corpus.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "model/name_place.h"

struct xob_node;

// A sighting as a query gives it: order 0 (and no entry) when there is none.
struct newest_sighting {
    std::uint32_t order = 0;  // over all sightings of the index, from 1
    std::uint32_t entry = 0;  // the entry's arena number
    xob_node* node() const;
};

// What a name keeps of its sightings in its own record. The newest local
// at depth 1 or less of the first function is that local itself, unless it
// is deeper: then it sits in the table with the locals of the name's other
// functions.
struct name_sightings {
    std::uint32_t function;    // arena number of the first function with a local of the name
    newest_sighting local;     // the newest local of the name in that function
    newest_sighting external;  // the newest sighting with external linkage
};

// Open addressing from a nonzero 64-bit key to a value, for the index.
template <class Value>
class sighting_slots {
public:
    sighting_slots() = default;
    sighting_slots(const sighting_slots&) = delete;
    sighting_slots& operator=(const sighting_slots&) = delete;

    const Value* find(std::uint64_t key) const;
    Value& at(std::uint64_t key);  // made zero when absent
    // Empties the table; a table much larger than its contents shrinks.
    void clear();

private:
    struct slot {
        std::uint64_t key;  // 0: free
        Value value;
    };
    std::size_t home(std::uint64_t key) const {
        return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> 32) & (slots_.size() - 1);
    }
    void grow();

    std::vector<slot> slots_;
    std::size_t count_ = 0;
};

// A name is given by a nonzero number of the caller's, with its record.
class sighting_index {
public:
    // Keeps a sighting of the name at this place, which must be place_of the
    // entry and the unit (a local's depth is read again from its entry),
    // unless the name's newest sighting is this entry read by this unit:
    // false then.
    bool add(std::uint32_t name_number, name_sightings& kept, const name_place& place,
             xob_node* entry);
    // The newest sighting of the name that one scope sees together with `here`.
    newest_sighting newest_visible(std::uint32_t name_number, const name_sightings& kept,
                                   const name_place& here) const;

private:
    struct of_function {
        newest_sighting any;      // the newest local of the name in the function
        newest_sighting shallow;  // the same at depth 1 or less
    };
    struct of_unit {
        newest_sighting file_level;
        newest_sighting local;
    };
    const of_unit* in_unit(std::uint32_t name_number, const xob_node* unit) const;

    sighting_slots<of_function> functions_;  // by name number and function, but the first
    sighting_slots<of_unit> unit_;           // by name number, for unit_being_
    const xob_node* unit_being_ = nullptr;
    std::uint32_t last_order_ = 0;
};
