// The program model: every xob file read in one run is merged into one forest
// of xob_node records, one record type whose kind says what it stands for.
// The xob reader builds it through the constructors below (the named kinds
// through binding.h), the link pass walks it, the report and the
// cross-reference read it.
#pragma once
#include <cstddef>
#include <cstdint>

#include "model/arena.h"

struct name;

enum node_kind : std::int32_t {
    free_xob = 0,  // on the free list
    a_position = 3,
    a_declaration = 4,
    a_definition = 5,
    a_reference = 6,
    a_function = 7,
    a_function_declaration = 8,
    a_source = 9,  // a source file, or the scope node of an xob file (no full path)
    a_typedef = 10,
    a_enum = 11,
    a_field = 12,
};

// xob_node::flags
enum : std::uint8_t {
    // In a block list or the xob list, made the contents of another node, or
    // kept as another node's position: never recycled, never put in a second list.
    LINKED = 1,
    // Visited by the model walk under way, once the walks have used up the
    // other bits as marks of their own (link_pass.cpp); cleared when it ends.
    WALKED = 2,
};

// xob_node::link_flags of an a_function, set by the link pass.
enum : std::uint8_t {
    CALLED = 1,
    RECURSIVE = 2,
    ON_STACK = 4,
    DEPTH_KNOWN = 8,
};

// xob_node::link_flags of an a_reference.
enum : std::uint8_t {
    CALL_USE = 1,  // the use's mode is "call": the target is called, not its address taken
};

// Fields after the common part overlap by kind: read a field only for the
// kinds named beside it. A function declaration carries the function fields
// up to its storage, all zero; it is in no global list. Fields naming a text hold an interned `name` (name_table.h).
// Positions, the most numerous nodes, have no scope and no list link: they
// are allocated to 16 bytes; uses, the next most numerous, have no scope.
struct xob_node {
    std::uint8_t flags;
    std::uint8_t link_flags;         // function: CALLED, RECURSIVE, ON_STACK, DEPTH_KNOWN; reference: CALL_USE
    std::uint8_t in_system_include;  // declaration: read inside a system include file
    std::uint8_t kind;               // node_kind
    // The one number of a kind that has one, beside the common part.
    union {
        std::int32_t file;        // a_position: file-table index, -1 for an unknown file
        std::int32_t level;       // declaration (-1 when implicit), definition, typedef
        std::int32_t call_depth;  // function
    };
    union {
        arena_ref<xob_node> free_next;  // free_xob
        struct {              // a_position
            std::int32_t line;
            std::int32_t row;
        };
        // Every other kind, in the order of the kinds that use the fields,
        // each kind allocated only as far as its own fields reach: a
        // reference to its target, a declaration and a function declaration
        // to its storage, a source to its block list, a function to its
        // full definition, the others to the end.
        struct {
            arena_ref<xob_node> next;  // block list, or the xob list
            union {
                struct {  // a_source
                    arena_ref<struct name> file_name;
                    arena_ref<struct name> full_path;  // null for an xob scope node
                };
                struct {  // the named kinds and a_reference
                    arena_ref<xob_node> position;  // null for a call placeholder
                    union {
                        arena_ref<xob_node> definition;      // a_declaration: what it resolved to, or null
                        arena_ref<xob_node> target;          // a_reference: the declaration, definition or function
                        arena_ref<xob_node> body;            // a_function: its block list
                        arena_ref<struct name> indirection;  // definition, typedef, field
                    };
                };
            };
            // Every kind but a reference: the innermost open scope when the
            // node was made. For an xob scope node: the scope stack link while
            // open, then the link to the next xob scope node.
            arena_ref<xob_node> scope;
            union {
                struct {  // a_source
                    arena_ref<struct name> version;  // or null
                    std::int32_t system_include;     // 0 or 1
                    arena_ref<xob_node> blocks;      // its block list
                };
                struct {  // the named kinds
                    arena_ref<struct name> name;
                    arena_ref<struct name> storage;  // declaration, definition, function, function declaration
                    union {                          // the global list that holds the node
                        arena_ref<xob_node> next_definition;
                        arena_ref<xob_node> next_function;
                        arena_ref<xob_node> next_enum;
                        arena_ref<xob_node> next_field;
                        // a_typedef, which is in no global list: the xob scope
                        // node of the unit that entered it last
                        arena_ref<xob_node> entered_in;
                    };
                    union {
                        std::int32_t type_index;         // definition, typedef (its own index), enum, field
                        arena_ref<struct name> fulldef;  // a_function: the full definition text
                    };
                    union {
                        std::int32_t old_type_index;     // typedef: the type it renames
                        std::int32_t struct_type_index;  // field: the structure that holds it
                        std::int32_t scope_code;  // definition: 0 global, 1 local, 2 global static,
                                                  // 3 local static, 4 parameter
                    };
                };
            };
        };
    };
};

// Singly linked global list with head and tail; nodes are appended.
struct node_list {
    xob_node* head = nullptr;
    xob_node* tail = nullptr;
};

// A list cell, for lists whose nodes are linked elsewhere already.
struct node_cell {
    arena_ref<node_cell> next;
    arena_ref<xob_node> node;
};

// Process-wide model state, filled while xob files are read, never emptied.
extern node_list xob_list;         // the xob scope nodes in reading order, through `next`
extern node_list definition_list;  // every a_definition in creation order, through next_definition
extern node_list function_list;    // every a_function (placeholders too), through next_function
extern node_list enum_list;        // every a_enum, through next_enum
extern node_list field_list;       // every a_field, through next_field
// Declarations that had no definition when they were made, newest first.
extern node_cell* undefined_declarations;

// The scope stack: the innermost open scope (an a_function or an xob scope
// node), null when none; and the ends of the chain of xob scope nodes.
extern xob_node* current_scope;
extern xob_node* first_xob_scope;
extern xob_node* last_closed_xob_scope;

// Recycled nodes, linked through free_next, one list per allocation size.
extern xob_node* free_nodes[6];

// Node management. new_node takes a node from the free list or allocates one,
// with scope = current_scope, no next, LINKED clear and the kind's fields zero.
// A node is allocated only as far as its kind's fields reach: most nodes are
// positions and uses, which need a third of the whole record.
xob_node* new_node(std::int32_t kind);
// Recycles a node that is not LINKED and sets the variable to null; does
// nothing for a null or LINKED node.
void release_node(xob_node*& node);

// Constructors called by the xob reader.
// What an attribute value's text interns as: the bytes without their
// surrounding double quotes when they have them. The bytes hold no NUL byte.
void attribute_value_text(const char** bytes, std::size_t* length);
struct name* intern_string_value(const char* bytes, std::size_t length);
// The file is the file-table index of the full path, -1 if not registered;
// the short name is not used.
xob_node* new_position_by_name(name* file_name, name* full_path, std::int32_t line,
                               std::int32_t row);
// The file is what the current xob file mapped the number to: 0 when unmapped
// or out of range.
xob_node* new_position_by_number(std::int32_t file_number, std::int32_t line, std::int32_t row);
// A source file; with only a file name, the scope node of an xob file.
xob_node* new_source(name* file_name, name* full_path, bool system_include, name* version);
// The position becomes the reference's own and is marked LINKED. Of the
// kind of use (read, call...) only whether it is a call is kept.
xob_node* new_reference(xob_node* target, xob_node* position, bool call);

// Marks a position as kept by the node that holds it (LINKED), so that no
// release recycles it.
void keep_position(xob_node* position);

// Appends an xob scope node to xob_list unless it is LINKED, and marks it LINKED.
void append_xob(xob_node* scope_node);
// Appends an entity to its global list (definition, function, enumeration or
// field list, by its kind); other kinds have none.
void append_to_global_list(xob_node* node);
// Prepends a declaration to undefined_declarations.
void add_undefined_declaration(xob_node* declaration);

// Opens a scope (an xob scope node when an xob file's contents begin, an
// a_function when its body begins); pop_scope closes the innermost one and
// does nothing when none is open.
void push_scope(xob_node* scope_node);
void pop_scope();
bool is_xob_scope(const xob_node* node);

// The position of a declaration, definition, function, reference or typedef;
// the node itself for a position; null for every other kind.
xob_node* node_position(xob_node* node);
// The name of a declaration, definition, function, function declaration or
// typedef; of a reference, its target's name; null for every other kind.
name* node_name(const xob_node* node);
// Equal file, line and row; false when either is null.
bool same_position(const xob_node* a, const xob_node* b);
