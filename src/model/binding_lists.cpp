#include "model/binding_lists.h"

#include <cstddef>

#include "model/arena.h"
#include "model/binding.h"
#include "model/name_table.h"
#include "model/position_index.h"
#include "model/xob_node.h"

std::uint64_t binding_count = 0;

namespace {

position_index positions;

// Keeps each chain newest first, also for a placeholder filled long after it was made.
void index_cell(const name* identifier, binding_cell* cell) {
    const xob_node* node = cell->node;
    binding_cell** link = positions.chain(identifier, node->kind, node->position);
    while (*link && (*link)->order > cell->order) link = &(*link)->older_here;
    cell->older_here = *link;
    *link = cell;
}

}  // namespace

binding_cell*& name_bindings::newest(std::int32_t kind) {
    // Kinds a_declaration (4) to a_field (12); a_reference and a_source bind nothing.
    static constexpr std::int8_t SLOT_OF_KIND[13] = {-1, -1, -1, -1, 0, 1, -1, 2, 3, -1, 4, 5, 6};
    static binding_cell* unbound = nullptr;
    std::int8_t slot = kind >= 0 && kind < 13 ? SLOT_OF_KIND[kind] : -1;
    if (slot < 0) {
        unbound = nullptr;  // no list: always empty, whatever a caller stored
        return unbound;
    }
    return heads[slot];
}

name_bindings* bindings_of(name* identifier) {
    auto* bindings = static_cast<name_bindings*>(name_binding(identifier));
    if (!bindings) {
        bindings = static_cast<name_bindings*>(arena_alloc(sizeof(name_bindings)));
        name_set_binding(identifier, bindings);
    }
    return bindings;
}

binding_cell* add_binding(name* identifier, xob_node* node) {
    name_bindings* bindings = bindings_of(identifier);
    auto* cell = static_cast<binding_cell*>(arena_alloc(
        node->kind == a_function ? sizeof(binding_cell) : offsetof(binding_cell, older_nonstatic)));
    cell->node = node;
    cell->order = ++binding_count;
    cell->older = bindings->newest(node->kind);
    bindings->newest(node->kind) = cell;
    if (node->kind == a_function && !node->position) {
        cell->older_here = bindings->placeholders;
        bindings->placeholders = cell;
    } else if (node->position) {
        index_cell(identifier, cell);
    }
    if (node->kind == a_function && node->storage != static_name()) {
        cell->older_nonstatic = bindings->nonstatic_functions;
        bindings->nonstatic_functions = cell;
    }
    return cell;
}

binding_cell* newest_at(const name* identifier, std::int32_t kind, const xob_node* position) {
    if (!position) return nullptr;
    // A name with no node of the kind has none at any position: most names
    // are new, and their look-up would miss the index's cache lines for nothing.
    auto* bindings = static_cast<name_bindings*>(name_binding(identifier));
    if (!bindings || !bindings->newest(kind)) return nullptr;
    return positions.find(identifier, kind, position);
}

void prefetch_newest_at(std::uint32_t name_hash, std::int32_t kind, std::int32_t file,
                        std::int32_t line, std::int32_t row) {
    positions.prefetch(name_hash, kind, file, line, row);
}

void placeholder_filled(name* identifier, binding_cell* cell) {
    name_bindings* bindings = bindings_of(identifier);
    binding_cell** link = &bindings->placeholders;
    while (*link && *link != cell) link = &(*link)->older_here;
    if (*link) *link = cell->older_here;
    cell->older_here = nullptr;
    if (cell->node->position) index_cell(identifier, cell);
}

binding_cell* newest_nonstatic_function(name* identifier) {
    name_bindings* bindings = bindings_of(identifier);
    // A placeholder filled with a static function leaves the list when met.
    binding_cell** link = &bindings->nonstatic_functions;
    while (*link && (*link)->node->storage == static_name()) *link = (*link)->older_nonstatic;
    return *link;
}
