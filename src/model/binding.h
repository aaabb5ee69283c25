// Name binding and cross-file resolution. The xob reader calls one binding
// constructor per named element; each binds the node to its identifier
// (binding_lists.h) and, through the nodes already bound to it:
// - merges: an element written again at the same position with the same
//   attributes (a header read by several translation units) returns the node
//   made the first time;
// - resolves: declarations are linked to their definition, and the use of a
//   name to the declaration, definition or function it means, across files;
// - clashes: two entities of one name at different positions raise the
//   name-reuse rules against each other.
//
// Each constructor takes the reader's variable holding the element's position
// node. When the element meets an existing node at an equal position, the
// reader's node is released and the variable made to designate the existing
// node's position. A position a new node keeps is marked LINKED.
#pragma once
#include <cstdint>

#include "rules/link_stage_rules.h"  // the rule numbers raised here

struct name;
struct xob_node;

// The storage class "static"; storage classes are compared with it by identity.
name* static_name();
// A use's mode text is "call", in any letter case.
bool is_call_mode(const name* mode);

xob_node* bind_definition(name* identifier, std::int32_t level, name* storage,
                          xob_node*& position, std::int32_t type_number, name* indirection,
                          std::int32_t scope_code);
// A declaration left without definition goes to undefined_declarations.
xob_node* bind_declaration(name* identifier, std::int32_t level, name* storage,
                           xob_node*& position);
xob_node* bind_function_declaration(name* identifier, name* storage, xob_node*& position);
// Also fills in the call placeholder of the name, if there is one. A function
// accepted from an earlier xob file keeps its body: the reader sets body only
// while it is null.
xob_node* bind_function(name* identifier, name* fulldef, name* storage, xob_node*& position);
// The node that a use designates; position is that of the declaration the
// analyser resolved the use to. A use matching nothing yields the name's call
// placeholder (made when the mode is "call" in any case, or the name has a
// function declaration) or else an implicit declaration (level -1).
xob_node* resolve_object(name* identifier, name* mode, xob_node*& position);
// Pass 0, 0 and null for the three type attributes unless all are present.
// The xob file's type number is mapped to the typedef's index in every case.
xob_node* bind_typedef(name* identifier, std::int32_t level, xob_node*& position,
                       std::int32_t type_number, std::int32_t old_type_number,
                       name* indirection);
xob_node* bind_enum(name* identifier, std::int32_t enum_type_number, xob_node*& position);
xob_node* bind_field(name* identifier, std::int32_t struct_type_number, std::int32_t type_number,
                     name* indirection, xob_node*& position);

// The rule of a clash between an existing node of that scope and a new one
// in current_scope: rule 27 between two different functions or two
// different xob files, 22 between a function and file level, else the
// default rule; with no existing scope always the default rule.
std::int32_t clash_rule(const xob_node* existing_scope, std::int32_t default_rule);
// Records a clash trap with the rule clash_rule chooses.
void report_clash(const xob_node* existing_scope, std::int32_t default_rule,
                  const xob_node* new_position, const xob_node* existing_position,
                  name* identifier);
