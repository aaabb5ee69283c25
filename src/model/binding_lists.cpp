#include "model/binding_lists.h"

#include <cstddef>

#include "model/arena.h"
#include "model/binding.h"
#include "model/name_table.h"
#include "model/position_index.h"
#include "model/xob_node.h"

namespace {

position_index positions;

constexpr int NONSTATIC_LIST = BOUND_KIND_COUNT;
constexpr int PLACEHOLDER_LIST = BOUND_KIND_COUNT + 1;
constexpr int LIST_COUNT = BOUND_KIND_COUNT + 2;

// Kinds a_declaration (4) to a_field (12); a_reference and a_source bind nothing.
int list_of_kind(std::int32_t kind) {
    static constexpr std::int8_t LIST_OF_KIND[13] = {-1, -1, -1, -1, 0, 1, -1, 2, 3, -1, 4, 5, 6};
    return kind >= 0 && kind < 13 ? LIST_OF_KIND[kind] : -1;
}

// The lists kept before list `list` (masks of at most 16 bits; no
// instruction for it is assumed of the processor).
int lists_before(std::uint16_t present, int list) {
    unsigned v = present & ((1u << list) - 1);
    v = v - ((v >> 1) & 0x5555u);
    v = (v & 0x3333u) + ((v >> 2) & 0x3333u);
    v = (v + (v >> 4)) & 0x0F0Fu;
    return static_cast<int>((v + (v >> 8)) & 0x1Fu);
}

// Blocks left by names that outgrew them, by room, linked through
// similarity_keys: the next name to grow to that room takes one.
name_bindings* recycled[LIST_COUNT + 1];

name_bindings* new_bindings(int room) {
    name_bindings* bindings = recycled[room];
    if (bindings) {
        recycled[room] = static_cast<name_bindings*>(arena_record(bindings->similarity_keys));
        return bindings;
    }
    bindings = static_cast<name_bindings*>(arena_alloc(offsetof(name_bindings, heads) +
                                                       room * sizeof(std::uint32_t)));
    bindings->room = static_cast<std::uint8_t>(room);
    return bindings;
}

name_bindings* bindings_of(const name* identifier) {
    return static_cast<name_bindings*>(name_binding(identifier));
}

// The head of list `list` (a cell number), or null when the name does not keep it.
std::uint32_t* head_of(name_bindings* bindings, int list) {
    if (!bindings || list < 0 || !(bindings->present >> list & 1)) return nullptr;
    return &bindings->heads[lists_before(bindings->present, list)];
}

binding_cell* list_of(const name* identifier, int list) {
    std::uint32_t* head = head_of(bindings_of(identifier), list);
    return head ? binding_cell::at(*head) : nullptr;
}

// A name's nodes of a kind are in the position index once the kind has two:
// the newest of the kind tells.
bool kind_is_indexed(const binding_cell* newest) { return newest && newest->older_number; }

// The head of list `list`, kept from now on (empty when new); the name's
// block is replaced by a larger one when it has no room for it.
std::uint32_t* kept_head(name* identifier, int list) {
    name_bindings* bindings = bindings_of(identifier);
    if (std::uint32_t* head = head_of(bindings, list)) return head;
    int count = bindings ? lists_before(bindings->present, 16) : 0;
    if (!bindings || count == bindings->room) {
        name_bindings* larger = new_bindings(count + 1);
        larger->similarity_keys = 0;
        larger->similarity_mark = 0;
        larger->similarity_tables = 0;
        larger->present = 0;
        if (bindings) {
            larger->similarity_keys = bindings->similarity_keys;
            larger->similarity_mark = bindings->similarity_mark;
            larger->similarity_tables = bindings->similarity_tables;
            larger->present = bindings->present;
            for (int i = 0; i < count; ++i) larger->heads[i] = bindings->heads[i];
            bindings->similarity_keys = arena_number(recycled[bindings->room]);
            recycled[bindings->room] = bindings;
        }
        bindings = larger;
        name_set_binding(identifier, bindings);
    }
    // Make room at the list's place in order.
    int at = lists_before(bindings->present, list);
    for (int i = count; i > at; --i) bindings->heads[i] = bindings->heads[i - 1];
    bindings->heads[at] = 0;
    bindings->present = static_cast<std::uint16_t>(bindings->present | 1u << list);
    return &bindings->heads[at];
}

// Makes the cell the newest of a list whose head is `head`; the cell's link
// (set_older, set_older_here...) takes the one before.
template <class Link>
void push_cell(std::uint32_t* head, binding_cell* cell, Link link) {
    (cell->*link)(binding_cell::at(*head));
    *head = cell->order();
}

}  // namespace

binding_cell* newest_of_kind(const name* identifier, std::int32_t kind) {
    return list_of(identifier, list_of_kind(kind));
}

binding_cell* placeholders_of(const name* identifier) {
    return list_of(identifier, PLACEHOLDER_LIST);
}

void* similarity_keys_of(const name* identifier, std::uint32_t tables) {
    name_bindings* bindings = bindings_of(identifier);
    if (!bindings || bindings->similarity_tables != tables || !bindings->similarity_keys) return nullptr;
    auto address = reinterpret_cast<std::uintptr_t>(arena_record(bindings->similarity_keys));
    return reinterpret_cast<void*>(address | bindings->similarity_mark);
}

void set_similarity_keys(name* identifier, void* keys, std::uint32_t tables) {
    name_bindings* bindings = bindings_of(identifier);
    if (!bindings) {
        bindings = new_bindings(0);
        bindings->present = 0;
        name_set_binding(identifier, bindings);
    }
    auto address = reinterpret_cast<std::uintptr_t>(keys);
    bindings->similarity_keys = arena_number(reinterpret_cast<void*>(address & ~(ARENA_UNIT - 1)));
    bindings->similarity_mark = static_cast<std::uint8_t>(address & (ARENA_UNIT - 1));
    bindings->similarity_tables = tables;
}

binding_cell* add_binding(name* identifier, xob_node* node) {
    auto* cell = static_cast<binding_cell*>(arena_alloc(sizeof(binding_cell)));
    cell->node = node;
    // Every head is looked up again after kept_head, which may move the block.
    bool listed = list_of_kind(node->kind) >= 0;
    if (listed) {
        push_cell(kept_head(identifier, list_of_kind(node->kind)), cell, &binding_cell::set_older);
        // The kind's second cell: the first, alone so far, goes into the index.
        binding_cell* first = cell->older();
        if (first && !first->older() && first->node->position) positions.insert(identifier, first);
    }
    if (node->kind == a_function && !node->position) {
        push_cell(kept_head(identifier, PLACEHOLDER_LIST), cell, &binding_cell::set_older_here);
    } else if (node->position && (!listed || kind_is_indexed(cell))) {
        positions.insert(identifier, cell);
    }
    if (node->kind == a_function && node->storage != static_name()) {
        push_cell(kept_head(identifier, NONSTATIC_LIST), cell, &binding_cell::set_older_nonstatic);
    }
    return cell;
}

binding_cell* newest_at(const name* identifier, std::int32_t kind, const xob_node* position) {
    // A name that bears no node yet has none at any position: most names are
    // new, and their look-up would miss the index's cache lines for nothing.
    if (!position || !name_binding(identifier)) return nullptr;
    if (list_of_kind(kind) >= 0) {
        binding_cell* newest = list_of(identifier, list_of_kind(kind));
        if (!kind_is_indexed(newest))  // none of its kind, or one alone
            return newest && newest->node->position &&
                           same_position(newest->node->position, position)
                       ? newest
                       : nullptr;
    }
    return positions.find(identifier, kind, position);
}

void prefetch_newest_at(std::uint32_t name_hash, std::int32_t kind, std::int32_t file,
                        std::int32_t line, std::int32_t row) {
    positions.prefetch(name_hash, kind, file, line, row);
}

void placeholder_filled(name* identifier, binding_cell* cell) {
    std::uint32_t* link = head_of(bindings_of(identifier), PLACEHOLDER_LIST);
    if (link && *link == cell->order()) {
        *link = cell->older_here_number;
    } else if (link && *link) {
        binding_cell* before = binding_cell::at(*link);
        while (before->older_here() && before->older_here() != cell) before = before->older_here();
        if (before->older_here()) before->set_older_here(cell->older_here());
    }
    cell->set_older_here(nullptr);
    if (cell->node->position && kind_is_indexed(list_of(identifier, list_of_kind(cell->node->kind))))
        positions.insert(identifier, cell);
}

binding_cell* newest_nonstatic_function(name* identifier) {
    // A placeholder filled with a static function leaves the list when met.
    std::uint32_t* link = head_of(bindings_of(identifier), NONSTATIC_LIST);
    if (!link) return nullptr;
    while (*link && binding_cell::at(*link)->node->storage == static_name())
        *link = binding_cell::at(*link)->older_nonstatic_number;
    return binding_cell::at(*link);
}
