#include "model/binding.h"

#include <cstring>

#include "model/binding_lists.h"
#include "model/clash_batch.h"
#include "model/file_table.h"
#include "model/name_place.h"
#include "model/name_table.h"
#include "model/trap_table.h"
#include "model/xob_node.h"
#include "rules/rule_catalogue.h"

namespace {

// An element without name binds to the empty name.
name* usable(name* identifier) { return identifier ? identifier : name_intern(""); }

// Whether a clash could be recorded now. When none could, the scans for
// clashes are skipped: they would only walk nodes without effect.
bool clash_recordable(std::int32_t default_rule, bool with_scope) {
    if (in_system_include) return false;
    if (rule_severity(default_rule) != 0) return true;
    return with_scope && (rule_severity(RULE_IDENTIFIER_REUSED) != 0 ||
                          rule_severity(RULE_HIDES_OUTER_SCOPE) != 0);
}

// The reader's position node gives way to the equal one an existing node keeps.
void share_position(xob_node*& position, xob_node* existing) {
    if (position == existing) return;
    release_node(position);
    position = existing;
}

// The scan over the nodes of the constructor's own kind, newest first: the
// first node `accepts` takes ends it (`also` is a further accepted candidate,
// the call placeholder); `clash` is called with the cell of each node at
// another position met before, and the position of nodes met at an equal one
// is shared.
// The accepted node is found through the position index, so the walk itself
// is made only when it can record clashes.
template <class Accepts, class Clash>
binding_cell* scan_own_kind(name* identifier, std::int32_t kind, xob_node*& position,
                            Accepts accepts, bool clashes, Clash clash,
                            binding_cell* also = nullptr) {
    binding_cell* here = newest_at(identifier, kind, position);
    binding_cell* accepted = here;
    while (accepted && !accepts(accepted->node)) accepted = accepted->older_here();
    if (also && (!accepted || also->order() > accepted->order())) accepted = also;
    if (clashes) {
        for (binding_cell* cell = newest_of_kind(identifier, kind); cell && cell != accepted;
             cell = cell->older())
            if (!same_position(cell->node->position, position)) clash(cell);
    }
    if (here && (!accepted || here->order() >= accepted->order()))
        share_position(position, here->node->position);
    return accepted;
}

// Visits the cells of the given kinds newest first; a kind of -1 is left out.
template <class Visit>
void walk_kinds(name* identifier, std::int32_t first_kind, std::int32_t second_kind,
                std::int32_t third_kind, Visit visit) {
    binding_cell* heads[3] = {};
    std::int32_t kinds[3] = {first_kind, second_kind, third_kind};
    for (int i = 0; i < 3; ++i)
        if (kinds[i] >= 0) heads[i] = newest_of_kind(identifier, kinds[i]);
    for (;;) {
        int newest = -1;
        for (int i = 0; i < 3; ++i)
            if (heads[i] && (newest < 0 || heads[i]->order() > heads[newest]->order())) newest = i;
        if (newest < 0) return;
        binding_cell* cell = heads[newest];
        heads[newest] = cell->older();
        visit(cell);
    }
}

// A declaration keeps the first definition it was linked to.
void link_declaration(xob_node* declaration, xob_node* definition) {
    if (!declaration->definition) declaration->definition = definition;
}

bool either_static(const name* storage, const name* other) {
    return storage == static_name() || other == static_name();
}

// Clash rules of the function kinds against each other.
void report_function_clash(clash_batch& clashes, const binding_cell* existing,
                           const name* storage, xob_node* position, name* identifier) {
    const xob_node* other = existing->node;
    if (either_static(other->storage, storage))
        report_clash(nullptr, RULE_STATIC_NAME_REUSED, position, other->position, identifier);
    else
        clashes.report(existing, RULE_FUNCTION_REDECLARED);
}

bool function_clash_recordable() {
    return clash_recordable(RULE_FUNCTION_REDECLARED, true) ||
           clash_recordable(RULE_STATIC_NAME_REUSED, false);
}

// A clash met by a second walk: the typedef rule against a typedef, the
// redefinition rule against anything else.
void report_second_walk_clash(clash_batch& clashes, const binding_cell* existing) {
    const xob_node* other = existing->node;
    if (other->kind == a_typedef)
        clashes.report_typedef(other);
    else
        clashes.report(existing, RULE_REDEFINED);
}

// The second walk of a new function or function declaration.
void clash_with_definitions_and_typedefs(clash_batch& clashes, name* identifier) {
    bool definitions = clash_recordable(RULE_REDEFINED, true);
    bool typedefs = clash_recordable(RULE_TYPEDEF_NAME_REUSED, false);
    walk_kinds(identifier, definitions ? a_definition : -1, typedefs ? a_typedef : -1, -1,
               [&](const binding_cell* other) { report_second_walk_clash(clashes, other); });
}

// The block depth of a function or function declaration read now: 1 inside
// a function body, else 0.
std::int32_t function_depth() { return current_scope && current_scope->kind == a_function ? 1 : 0; }

xob_node* new_named_node(std::int32_t kind, name* identifier, xob_node* position) {
    xob_node* node = new_node(kind);
    node->name = identifier;
    node->position = position;
    keep_position(position);
    return node;
}

}  // namespace

bool is_call_mode(const name* mode) {
    const char* text = name_text(mode);
    if (std::strlen(text) != 4) return false;
    for (int i = 0; i < 4; ++i)
        if ((text[i] | 0x20) != "call"[i]) return false;
    return true;
}

name* static_name() {
    static name* storage = name_intern("static");
    return storage;
}

std::int32_t clash_rule(const xob_node* existing_scope, std::int32_t default_rule) {
    if (!existing_scope || !current_scope) return default_rule;
    bool function_there = existing_scope->kind == a_function;
    bool function_here = current_scope->kind == a_function;
    bool file_level_there = is_xob_scope(existing_scope);
    bool file_level_here = is_xob_scope(current_scope);
    if (existing_scope != current_scope &&
        ((function_there && function_here) || (file_level_there && file_level_here)))
        return RULE_IDENTIFIER_REUSED;
    if ((function_there && file_level_here) || (file_level_there && function_here))
        return RULE_HIDES_OUTER_SCOPE;
    return default_rule;
}

void report_clash(const xob_node* existing_scope, std::int32_t default_rule,
                  const xob_node* new_position, const xob_node* existing_position,
                  name* identifier) {
    record_trap(clash_rule(existing_scope, default_rule), new_position, existing_position,
                identifier);
}

xob_node* bind_definition(name* identifier, std::int32_t level, name* storage,
                          xob_node*& position, std::int32_t type_number, name* indirection,
                          std::int32_t scope_code) {
    identifier = usable(identifier);
    clash_batch clashes(identifier, position, storage != static_name(), level);
    bool clashes_recordable = clash_recordable(RULE_REDEFINED, true);
    binding_cell* accepted = scan_own_kind(
        identifier, a_definition, position,
        [&](const xob_node* other) { return other->level == level && other->storage == storage; },
        clashes_recordable,
        [&](const binding_cell* other) { clashes.report(other, RULE_REDEFINED); });
    if (accepted) return accepted->node;

    xob_node* definition = new_named_node(a_definition, identifier, position);
    definition->storage = storage;
    definition->level = level;
    definition->type_index = type_index_of(type_number);
    definition->indirection = indirection;
    definition->scope_code = scope_code;
    add_binding(identifier, definition);
    append_to_global_list(definition);

    bool typedefs = clash_recordable(RULE_TYPEDEF_NAME_REUSED, false);
    walk_kinds(identifier, a_declaration, clashes_recordable ? a_function : -1,
               typedefs ? a_typedef : -1, [&](const binding_cell* other) {
                   if (other->node->kind == a_declaration)
                       link_declaration(other->node, definition);
                   else
                       report_second_walk_clash(clashes, other);
               });
    return definition;
}

xob_node* bind_declaration(name* identifier, std::int32_t level, name* storage,
                           xob_node*& position) {
    identifier = usable(identifier);
    clash_batch clashes(identifier, position, storage != static_name(), level);
    binding_cell* accepted = scan_own_kind(
        identifier, a_declaration, position,
        [&](const xob_node* other) { return other->storage == storage && other->level == level; },
        clash_recordable(RULE_OBJECT_REDECLARED, true),
        [&](const binding_cell* other) { clashes.report(other, RULE_OBJECT_REDECLARED); });
    if (accepted) return accepted->node;

    xob_node* declaration = new_named_node(a_declaration, identifier, position);
    declaration->storage = storage;
    declaration->level = level;
    declaration->in_system_include = in_system_include ? 1 : 0;
    add_binding(identifier, declaration);

    bool functions = clash_recordable(RULE_REDEFINED, true);
    bool typedefs = clash_recordable(RULE_TYPEDEF_NAME_REUSED, false);
    walk_kinds(identifier, a_definition, functions ? a_function : -1, typedefs ? a_typedef : -1,
               [&](const binding_cell* other) {
                   if (other->node->kind == a_definition)
                       link_declaration(declaration, other->node);
                   else
                       report_second_walk_clash(clashes, other);
               });
    if (!declaration->definition) add_undefined_declaration(declaration);
    return declaration;
}

xob_node* bind_function_declaration(name* identifier, name* storage, xob_node*& position) {
    identifier = usable(identifier);
    clash_batch clashes(identifier, position, storage != static_name(),
                        function_depth());
    binding_cell* accepted = scan_own_kind(
        identifier, a_function_declaration, position,
        [&](const xob_node* other) { return other->storage == storage; },
        function_clash_recordable(),
        [&](const binding_cell* other) {
            report_function_clash(clashes, other, storage, position, identifier);
        });
    if (accepted) return accepted->node;

    xob_node* prototype = new_named_node(a_function_declaration, identifier, position);
    prototype->storage = storage;
    add_binding(identifier, prototype);
    clash_with_definitions_and_typedefs(clashes, identifier);
    return prototype;
}

xob_node* bind_function(name* identifier, name* fulldef, name* storage, xob_node*& position) {
    identifier = usable(identifier);
    clash_batch clashes(identifier, position, storage != static_name(),
                        function_depth());
    binding_cell* accepted = scan_own_kind(
        identifier, a_function, position,
        [&](const xob_node* other) {
            return other->fulldef == fulldef && other->storage == storage;
        },
        function_clash_recordable(),
        [&](const binding_cell* other) {
            report_function_clash(clashes, other, storage, position, identifier);
        },
        placeholders_of(identifier));
    if (accepted) {
        xob_node* function = accepted->node;
        if (!function->position) {  // the call placeholder takes this definition
            function->position = position;
            keep_position(position);
            function->name = identifier;
            function->fulldef = fulldef;
            function->storage = storage;
            function->body = nullptr;
            placeholder_filled(identifier, accepted);
        }
        return function;
    }

    xob_node* function = new_named_node(a_function, identifier, position);
    function->fulldef = fulldef;
    function->storage = storage;
    add_binding(identifier, function);
    append_to_global_list(function);
    clash_with_definitions_and_typedefs(clashes, identifier);
    return function;
}

xob_node* resolve_object(name* identifier, name* mode, xob_node*& position) {
    identifier = usable(identifier);
    // The newest node that matches: a declaration, definition or function at
    // the same position, or a function elsewhere that is not static.
    // The name's lists first: the index is probed only for kinds it bears.
    binding_cell* elsewhere = newest_nonstatic_function(identifier);
    binding_cell* match = nullptr;
    for (std::int32_t kind : {a_declaration, a_definition, a_function}) {
        if (!newest_of_kind(identifier, kind)) continue;
        binding_cell* here = newest_at(identifier, kind, position);
        if (here && (!match || here->order() > match->order())) match = here;
    }
    if (elsewhere && (!match || elsewhere->order() > match->order())) match = elsewhere;
    if (match) {
        share_position(position, match->node->position);
        return match->node;
    }

    // A function used before any definition of it: calls, and any use of a
    // name with a prototype (its address taken for a table of handlers),
    // wait in one placeholder per name for the definition.
    if (is_call_mode(mode) || newest_of_kind(identifier, a_function_declaration)) {
        xob_node* placeholder = new_named_node(a_function, identifier, nullptr);
        add_binding(identifier, placeholder);
        append_to_global_list(placeholder);
        return placeholder;
    }

    xob_node* implicit = new_named_node(a_declaration, identifier, position);
    implicit->level = -1;
    implicit->in_system_include = in_system_include ? 1 : 0;
    add_binding(identifier, implicit);
    add_undefined_declaration(implicit);
    return implicit;
}

xob_node* bind_typedef(name* identifier, std::int32_t level, xob_node*& position,
                       std::int32_t type_number, std::int32_t old_type_number,
                       name* indirection) {
    identifier = usable(identifier);
    clash_batch clashes(identifier, position, false, level);
    bool typedef_clashes = name_text(identifier)[0] != '\0' &&
                           clash_recordable(RULE_TYPEDEF_NAME_REUSED, false);
    binding_cell* accepted = scan_own_kind(
        identifier, a_typedef, position,
        [&](const xob_node* other) { return other->level == level; }, typedef_clashes,
        [&](const binding_cell* other) { clashes.report_typedef(other->node); });
    xob_node* type = accepted ? static_cast<xob_node*>(accepted->node) : nullptr;
    if (!type) {
        type = new_named_node(a_typedef, identifier, position);
        type->level = level;
        type->type_index = register_typedef(type);
        type->old_type_index = type_index_of(old_type_number);
        type->indirection = indirection;
        add_binding(identifier, type);
        if (clash_recordable(RULE_REDEFINED, true))
            walk_kinds(identifier, a_definition, a_function, -1, [&](const binding_cell* other) {
                clashes.report(other, RULE_REDEFINED);
            });
    }
    type->entered_in = unit_being_read();
    map_type_number(type_number, type->type_index);
    return type;
}

xob_node* bind_enum(name* identifier, std::int32_t enum_type_number, xob_node*& position) {
    identifier = usable(identifier);
    binding_cell* accepted = scan_own_kind(
        identifier, a_enum, position, [](const xob_node*) { return true; }, false,
        [](const binding_cell*) {});
    if (accepted) return accepted->node;
    xob_node* constant = new_named_node(a_enum, identifier, position);
    constant->type_index = type_index_of(enum_type_number);
    add_binding(identifier, constant);
    append_to_global_list(constant);
    return constant;
}

xob_node* bind_field(name* identifier, std::int32_t struct_type_number, std::int32_t type_number,
                     name* indirection, xob_node*& position) {
    identifier = usable(identifier);
    binding_cell* accepted = scan_own_kind(
        identifier, a_field, position, [](const xob_node*) { return true; }, false,
        [](const binding_cell*) {});
    if (accepted) return accepted->node;
    xob_node* field = new_named_node(a_field, identifier, position);
    field->struct_type_index = type_index_of(struct_type_number);
    field->type_index = type_index_of(type_number);
    field->indirection = indirection;
    add_binding(identifier, field);
    append_to_global_list(field);
    return field;
}
