// The binding list of each identifier: every declaration, definition,
// function declaration, function, typedef, enumeration constant and field
// that bears it, from every xob file, newest first. A name's binding slot
// holds its name_bindings.
//
// The list is kept split by node kind, with a creation number on each cell
// so that scans over several kinds still see the nodes newest first; an
// index by position finds the node a repeated element must merge with
// without walking the list, so that a name borne by thousands of nodes (a
// local `i` in every function) costs no more than the traps it raises.
#pragma once
#include <cstddef>
#include <cstdint>

struct name;
struct xob_node;

struct binding_cell {
    binding_cell* older;       // the next older node of this name and kind
    binding_cell* older_here;  // ... and position; for a placeholder, the next placeholder
    xob_node* node;
    std::uint64_t order;  // creation number, over all names and kinds
    // Functions only: the next older one not static when last seen. The
    // cells of other kinds are allocated without it.
    binding_cell* older_nonstatic;
};

// The kinds a name binds, each with a list head of its own: declaration,
// definition, function, function declaration, typedef, enumeration, field.
constexpr int BOUND_KIND_COUNT = 7;

struct name_bindings {
    binding_cell* heads[BOUND_KIND_COUNT];  // newest first, per bound kind
    binding_cell* nonstatic_functions;      // functions whose storage is not "static"
    binding_cell* placeholders;             // functions still without position
    void* similarity_keys;                  // what the similarity checks keep for the name

    // The newest node of a bound kind (see head_slot).
    binding_cell*& newest(std::int32_t kind);
};

// Bindings made so far; the next cell's creation number.
extern std::uint64_t binding_count;

// The bindings of a name, made empty on first use.
name_bindings* bindings_of(name* identifier);
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
