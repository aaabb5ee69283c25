// The binding list of each identifier: every declaration, definition,
// function declaration, function, typedef, enumeration constant and field
// that bears it, from every xob file, newest first. A name's binding slot
// holds its name_bindings.
//
// The list is kept split by node kind, each cell's arena number telling its
// place in creation order, so that scans over several kinds still see the
// nodes newest first; an index by position finds the node a repeated
// element must merge with without walking the list, so that a name borne by
// thousands of nodes (a local `i` in every function) costs no more than the
// traps it raises. The index holds the nodes of a kind from its second on:
// most names bear one node of a kind, found from the list's head.
#pragma once
#include <cstddef>
#include <cstdint>

#include "model/arena.h"

struct name;
struct xob_node;

// Cells are arena records, made one after the other and never freed, so
// that a cell's arena number is its place in creation order (over all names
// and kinds); the links are those numbers.
struct binding_cell {
    arena_ref<xob_node> node;
    std::uint32_t older_number;       // the next older node of this name and kind
    std::uint32_t older_here_number;  // ... and position; for a placeholder, the next placeholder
    std::uint32_t older_nonstatic_number;  // functions: the next older one not static when last seen

    static binding_cell* at(std::uint32_t number) {
        return static_cast<binding_cell*>(arena_record(number));
    }
    std::uint32_t order() const { return arena_number(this); }
    static std::uint32_t number_of(const binding_cell* cell) { return arena_number(cell); }

    binding_cell* older() const { return at(older_number); }
    binding_cell* older_here() const { return at(older_here_number); }
    binding_cell* older_nonstatic() const { return at(older_nonstatic_number); }
    void set_older(const binding_cell* cell) { older_number = number_of(cell); }
    void set_older_here(const binding_cell* cell) { older_here_number = number_of(cell); }
    void set_older_nonstatic(const binding_cell* cell) { older_nonstatic_number = number_of(cell); }
};
static_assert(sizeof(binding_cell) == 16 && sizeof(binding_cell) <= ARENA_ORDERED_BYTES,
              "four cells a cache line, numbered in creation order");

// The kinds a name binds, each with a list head of its own: declaration,
// definition, function, function declaration, typedef, enumeration, field.
constexpr int BOUND_KIND_COUNT = 7;

// What a name's binding slot holds. Most names bear nodes of one or two
// kinds, so only the lists a name has are kept, in list order: the bound
// kinds, then the functions whose storage is not "static", then the
// functions still without position (call placeholders).
struct name_bindings {
    // What the similarity checks keep for the name: an arena record's number
    // and the low bits of the pointer they gave, which may carry a mark.
    std::uint32_t similarity_keys;
    std::uint32_t similarity_tables;  // the tables similarity_keys is for
    std::uint16_t present;            // bit n: the list n is kept
    std::uint8_t room;                // heads allocated
    std::uint8_t similarity_mark;
    std::uint32_t heads[1];  // cell numbers, allocated to `room`
};

// The newest node of a bound kind bearing the name, or null (also for a
// kind that binds nothing).
binding_cell* newest_of_kind(const name* identifier, std::int32_t kind);
// The call placeholders of the name, newest first, through older_here.
binding_cell* placeholders_of(const name* identifier);
// What the similarity checks keep for a name that bears a node, in the
// tables of this generation; null when the name has not met those tables.
void* similarity_keys_of(const name* identifier, std::uint32_t tables);
void set_similarity_keys(name* identifier, void* keys, std::uint32_t tables);


// Binds a new node to the name: it becomes the newest of its kind.
binding_cell* add_binding(name* identifier, xob_node* node);
// The newest node of this name and kind at a position equal to the given
// one (any attributes), or null; follow older_here for the older ones.
binding_cell* newest_at(const name* identifier, std::int32_t kind, const xob_node* position);
// Fetch what newest_at will read for a name of this text hash (name_hash)
// and this kind and position (file-table index, line, row). Changes nothing.
void prefetch_newest_at(std::uint32_t name_hash, std::int32_t kind, std::int32_t file,
                        std::int32_t line, std::int32_t row);
// A call placeholder got its position: enters it into the position index
// and takes it off the placeholders.
void placeholder_filled(name* identifier, binding_cell* cell);
// The newest function of the name whose storage is not "static", or null.
binding_cell* newest_nonstatic_function(name* identifier);
