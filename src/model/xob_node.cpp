#include "model/xob_node.h"

#include <cstddef>
#include <cstring>
#include <string>

#include "model/arena.h"
#include "model/file_table.h"
#include "model/name_table.h"

node_list xob_list;
node_list definition_list;
node_list function_list;
node_list enum_list;
node_list field_list;
node_cell* undefined_declarations = nullptr;

xob_node* current_scope = nullptr;
xob_node* first_xob_scope = nullptr;
xob_node* last_closed_xob_scope = nullptr;
xob_node* free_nodes[6] = {};

namespace {

// Allocation sizes, smallest first: the common part and the kind's own fields.
constexpr std::size_t NODE_SIZES[6] = {
    offsetof(xob_node, row) + sizeof(std::int32_t),     // free, position
    offsetof(xob_node, scope),                          // a_reference
    offsetof(xob_node, blocks) + sizeof(std::int32_t),  // a_source
    offsetof(xob_node, next_definition),                // declaration, function declaration
    offsetof(xob_node, old_type_index),                 // function
    sizeof(xob_node),                                   // the other named kinds
};
static_assert(NODE_SIZES[0] >= offsetof(xob_node, free_next) + sizeof(void*), "free link");
static_assert(NODE_SIZES[0] == 16 && NODE_SIZES[1] == 20 && NODE_SIZES[3] == 32 && NODE_SIZES[4] == 40 &&
                  sizeof(xob_node) == 44,
              "node sizes");

// Positions have neither scope nor list link, uses no scope.
bool has_scope(std::int32_t kind) {
    return kind != free_xob && kind != a_position && kind != a_reference;
}

int size_class(std::int32_t kind) {
    switch (kind) {
        case free_xob:
        case a_position:
            return 0;
        case a_reference:
            return 1;
        case a_source:
            return 2;
        case a_declaration:
        case a_function_declaration:  // in no global list
            return 3;
        case a_function:
            return 4;
        default:
            return 5;
    }
}

}  // namespace

xob_node* new_node(std::int32_t kind) {
    int size = size_class(kind);
    xob_node* node = free_nodes[size];
    if (node) {
        free_nodes[size] = node->free_next;
        std::memset(static_cast<void*>(node), 0, NODE_SIZES[size]);
    } else {
        node = static_cast<xob_node*>(arena_alloc(NODE_SIZES[size]));
    }
    node->kind = kind;
    if (has_scope(kind)) node->scope = current_scope;
    return node;
}

void release_node(xob_node*& node) {
    if (!node || (node->flags & LINKED)) return;
    int size = size_class(node->kind);
    if (has_scope(node->kind)) node->next = nullptr;
    node->kind = free_xob;
    node->flags = 0;
    node->free_next = free_nodes[size];
    free_nodes[size] = node;
    node = nullptr;
}

void attribute_value_text(const char** bytes, std::size_t* length) {
    if (*length >= 2 && (*bytes)[0] == '"' && (*bytes)[*length - 1] == '"') {
        ++*bytes;
        *length -= 2;
    }
}

name* intern_string_value(const char* bytes, std::size_t length) {
    attribute_value_text(&bytes, &length);
    return name_intern_read(bytes, length, name_hash(bytes, length));
}

xob_node* new_position_by_name(name*, name* full_path, std::int32_t line, std::int32_t row) {
    xob_node* node = new_node(a_position);
    node->file = file_index_of(full_path);
    node->line = line;
    node->row = row;
    return node;
}

xob_node* new_position_by_number(std::int32_t file_number, std::int32_t line, std::int32_t row) {
    xob_node* node = new_node(a_position);
    node->file = file_number_index(file_number);
    node->line = line;
    node->row = row;
    return node;
}

xob_node* new_source(name* file_name, name* full_path, bool system_include, name* version) {
    xob_node* node = new_node(a_source);
    node->file_name = file_name;
    node->full_path = full_path;
    node->system_include = system_include ? 1 : 0;
    node->version = version;
    return node;
}

xob_node* new_reference(xob_node* target, xob_node* position, bool call) {
    xob_node* node = new_node(a_reference);
    if (call) node->link_flags = CALL_USE;
    node->target = target;
    node->position = position;
    keep_position(position);
    return node;
}

void keep_position(xob_node* position) {
    if (position) position->flags |= LINKED;
}

void append_xob(xob_node* scope_node) {
    if (!scope_node || (scope_node->flags & LINKED)) return;
    scope_node->flags |= LINKED;
    scope_node->next = nullptr;
    if (xob_list.tail)
        xob_list.tail->next = scope_node;
    else
        xob_list.head = scope_node;
    xob_list.tail = scope_node;
}

void append_to_global_list(xob_node* node) {
    node_list* list;
    switch (node->kind) {
    case a_definition:
        list = &definition_list;
        node->next_definition = nullptr;
        if (list->tail) list->tail->next_definition = node;
        break;
    case a_function:
        list = &function_list;
        node->next_function = nullptr;
        if (list->tail) list->tail->next_function = node;
        break;
    case a_enum:
        list = &enum_list;
        node->next_enum = nullptr;
        if (list->tail) list->tail->next_enum = node;
        break;
    case a_field:
        list = &field_list;
        node->next_field = nullptr;
        if (list->tail) list->tail->next_field = node;
        break;
    default:
        return;
    }
    if (!list->head) list->head = node;
    list->tail = node;
}

void add_undefined_declaration(xob_node* declaration) {
    auto* cell = static_cast<node_cell*>(arena_alloc(sizeof(node_cell)));
    cell->node = declaration;
    cell->next = undefined_declarations;
    undefined_declarations = cell;
}

void push_scope(xob_node* scope_node) {
    if (!current_scope) {
        if (last_closed_xob_scope)
            last_closed_xob_scope->scope = scope_node;
        else
            first_xob_scope = scope_node;
    }
    scope_node->scope = current_scope;
    current_scope = scope_node;
}

void pop_scope() {
    if (!current_scope) return;
    if (!current_scope->scope) last_closed_xob_scope = current_scope;
    current_scope = current_scope->scope;
}

bool is_xob_scope(const xob_node* node) {
    return node && node->kind == a_source && !node->full_path;
}

xob_node* node_position(xob_node* node) {
    if (!node) return nullptr;
    switch (node->kind) {
    case a_declaration:
    case a_definition:
    case a_function:
    case a_reference:
    case a_typedef:
        return node->position;
    case a_position:
        return node;
    default:
        return nullptr;
    }
}

name* node_name(const xob_node* node) {
    if (!node) return nullptr;
    switch (node->kind) {
    case a_declaration:
    case a_definition:
    case a_function:
    case a_function_declaration:
    case a_typedef:
        return node->name;
    case a_reference:
        // A reference targets an entity, never another reference.
        return node->target && node->target->kind != a_reference ? node_name(node->target)
                                                                   : nullptr;
    default:
        return nullptr;
    }
}

bool same_position(const xob_node* a, const xob_node* b) {
    return a && b && a->file == b->file && a->line == b->line && a->row == b->row;
}
