#include "parse/xob_actions.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <unordered_map>

#include "driver/kyvlink.h"
#include "model/binding.h"
#include "model/file_table.h"
#include "model/name_sequences.h"
#include "model/name_table.h"
#include "model/trap_table.h"
#include "model/xob_node.h"
#include "parse/lexer.h"
#include "parse/similarity.h"
#include "parse/token_values.h"
#include "report/report_writer.h"

namespace {

xob_value value_of(xob_node* node) { return xob_value{node, nullptr, false, NOT_ATTRIBUTE}; }

// Working values: what an action takes out of an attribute value.
name* text_of(const xob_value& value) {
    return value.attribute == STRING_ATTRIBUTE ? value.text : nullptr;
}
std::int32_t number_of(const xob_value& value) {
    return value.attribute == NUMBER_ATTRIBUTE ? value.number : 0;
}
bool present(const xob_value& value) { return value.node || value.attribute != NOT_ATTRIBUTE; }

bool is_open_scope(const xob_node* node) {
    for (const xob_node* scope = current_scope; scope; scope = scope->scope)
        if (scope == node) return true;
    return false;
}

// Makes a block list the contents of a node: its first node becomes LINKED.
xob_node* adopt_list(const xob_value& list) {
    if (list.node) list.node->flags |= LINKED;
    return list.node;
}

}  // namespace

std::string xob_syntax_error_line(const markup_lexer& lexer) {
    return std::string("error in xob file ") + current_file_name(lexer) + " line " +
           std::to_string(lexer.line_counter) + " !!! " + current_token_text(lexer) + " !!!\n";
}

void xob_syntax_error(const markup_lexer& lexer) {
    std::string line = xob_syntax_error_line(lexer);
    std::fwrite(line.data(), 1, line.size(), stdout);
}

xob_value no_value() { return value_of(nullptr); }

xob_value string_attribute(name* text) {
    xob_value value = no_value();
    value.text = text;
    value.attribute = STRING_ATTRIBUTE;
    return value;
}

xob_value number_attribute(std::int32_t number) {
    xob_value value = no_value();
    value.number = number;
    value.attribute = NUMBER_ATTRIBUTE;
    return value;
}

xob_value diagnostic(const markup_lexer& lexer, const char* label) {
    print_pair(label, current_token_text(lexer));
    return no_value();
}

// The quotes are cut by the token's length: a NUL byte inside the value ends
// the C text early, and the value must not keep its opening quote then.
xob_value string_attribute_value(const markup_lexer& lexer) {
    const char* inner;
    std::size_t length;
    quoted_characters(current_token_text(lexer), current_token_length(lexer), &inner, &length);
    return string_attribute(intern_string_value(inner, length));
}
xob_value number_attribute_value(const markup_lexer& lexer) {
    return number_attribute(number_value(current_token_text(lexer)));
}
xob_value line_count_value(const markup_lexer& lexer) {
    return number_attribute(line_count_number(current_token_text(lexer)));
}

namespace {

// The last node of the chain that runs through `from`. A list may begin with
// a node of an earlier list (a merged element of a header read again), whose
// chain every later such list extends: the end found from a linked node is
// remembered, so that N lists sharing one chain cost N steps, not N squared.
// Linked nodes are never recycled and chains only grow at their end, so a
// remembered end stays on its chain.
xob_node* chain_end(xob_node* from) {
    if (!from->next) return from;
    static std::unordered_map<xob_node*, xob_node*> known_ends;
    xob_node* end = from;
    if (from->flags & LINKED) {
        auto known = known_ends.find(from);
        if (known != known_ends.end()) end = known->second;
    }
    while (end->next) end = end->next;
    if ((from->flags & LINKED) && (end->flags & LINKED)) known_ends[from] = end;
    return end;
}

}  // namespace

xob_value append_block(xob_value list, xob_value block) {
    if (!list.node) return xob_value{block.node, block.node, false, NOT_ATTRIBUTE};
    xob_node* node = block.node;
    // A node not marked LINKED can be in this list only as its head.
    if (!node || (node->flags & LINKED) || node == list.node) return list;
    xob_node* tail = chain_end(list.tail ? list.tail : list.node);
    // The node may head the chain of a list that was dropped (an element outside
    // the vocabulary, a second body); when that chain already runs into this
    // list's end, linking the node would close a loop.
    xob_node* end = node;
    while (end->next) end = end->next;
    if (end == tail) return list;
    tail->next = node;
    node->flags |= LINKED;
    list.tail = end;
    return list;
}

xob_value act_module(xob_value xob) {
    if (xob.node) append_xob(xob.node);
    return value_of(xob.node);
}

xob_value act_position_by_name(xob_value file_name, xob_value full_path, xob_value line,
                               xob_value row) {
    xob_node* position =
        new_position_by_name(text_of(file_name), text_of(full_path), number_of(line), number_of(row));
    return value_of(position);
}

xob_value act_position_by_number(xob_value file_number, xob_value line, xob_value row) {
    xob_node* position = new_position_by_number(number_of(file_number), number_of(line), number_of(row));
    return value_of(position);
}

xob_value act_define(xob_value name_value, xob_value level, xob_value storage, xob_value type,
                     xob_value indirection, xob_value scope, xob_value& position) {
    name* identifier = text_of(name_value);
    xob_node* entry = bind_definition(identifier, number_of(level), text_of(storage), position.node,
                                      number_of(type), text_of(indirection), number_of(scope));
    check_similarity(identifier, entry);
    return value_of(entry);
}

xob_value act_field(xob_value name_value, xob_value struct_number, xob_value type,
                    xob_value indirection, xob_value& position) {
    xob_node* entry = bind_field(text_of(name_value), number_of(struct_number), number_of(type),
                                 text_of(indirection), position.node);
    return value_of(entry);
}

xob_value act_enum(xob_value name_value, xob_value enum_number, xob_value& position) {
    xob_node* entry = bind_enum(text_of(name_value), number_of(enum_number), position.node);
    return value_of(entry);
}

xob_value act_typedef(xob_value name_value, xob_value level, xob_value, xob_value type,
                      xob_value base, xob_value indirection, xob_value& position) {
    name* identifier = text_of(name_value);
    // The three type attributes count only together.
    bool typed = present(type) && present(base) && present(indirection);
    xob_node* entry = bind_typedef(identifier, number_of(level), position.node,
                                   typed ? number_of(type) : 0, typed ? number_of(base) : 0,
                                   typed ? text_of(indirection) : nullptr);
    check_similarity(identifier, entry);
    return value_of(entry);
}

xob_value act_declare(xob_value name_value, xob_value level, xob_value storage,
                      xob_value& position) {
    name* identifier = text_of(name_value);
    xob_node* entry =
        bind_declaration(identifier, number_of(level), text_of(storage), position.node);
    check_similarity(identifier, entry);
    return value_of(entry);
}

// A source file enters the file table by its full path; its number, when
// given, names it for the rest of the xob file.
static xob_node* enter_file(name* file_name, const xob_value& full_path, const xob_value& system,
                            const xob_value& file_number, const xob_value& version) {
    xob_node* source = new_source(file_name, text_of(full_path), present(system), text_of(version));
    register_file(present(file_number) ? number_of(file_number) : -1, source);
    return source;
}

xob_value act_file(xob_value full_path, xob_value system, xob_value file_number,
                   xob_value version) {
    xob_node* source = enter_file(nullptr, full_path, system, file_number, version);
    return value_of(source);
}

xob_value act_source_start(xob_value file_name, xob_value full_path, xob_value date,
                           xob_value, xob_value system, xob_value file_number,
                           xob_value version) {
    xob_node* source = enter_file(text_of(file_name), full_path, system, file_number, version);
    record_file_start(text_of(file_name), text_of(full_path), number_of(date), present(system),
                      text_of(version));
    name_sequence_enter(text_of(full_path));
    return value_of(source);
}

xob_value act_source_end(xob_value file_name, xob_value full_path, xob_value, xob_value,
                         xob_value, xob_value, xob_value,
                         xob_value source, xob_value blocks) {
    name_sequence_leave();
    record_file_end(text_of(file_name), text_of(full_path));
    if (source.node && !source.node->blocks) source.node->blocks = adopt_list(blocks);
    return value_of(source.node);
}

xob_value act_function_declaration(xob_value name_value, xob_value storage, xob_value& position) {
    name* identifier = text_of(name_value);
    xob_node* entry = bind_function_declaration(identifier, text_of(storage), position.node);
    check_similarity(identifier, entry);
    return no_value();
}

xob_value act_function_start(xob_value name_value, xob_value fulldef, xob_value storage,
                             xob_value& position) {
    name* identifier = text_of(name_value);
    xob_node* function =
        bind_function(identifier, text_of(fulldef), text_of(storage), position.node);
    check_similarity(identifier, function);
    record_function_start(identifier, position.node);
    xob_value value = value_of(function);
    // Opened a second time, the function would become its own enclosing scope
    // and the scope stack could never be left again.
    value.opened_scope = function && !is_open_scope(function);
    if (value.opened_scope) push_scope(function);
    return value;
}

xob_value act_function_end(xob_value name_value, xob_value, xob_value,
                           xob_value function, xob_value blocks, xob_value end_position) {
    if (function.node && !function.node->body) function.node->body = adopt_list(blocks);
    if (function.opened_scope) pop_scope();
    record_function_end(text_of(name_value), end_position.node);
    release_node(end_position.node);  // the end is recorded by its key alone
    return value_of(function.node);
}

xob_value act_xob_start(xob_value file_name, xob_value date, xob_value command) {
    clear_file_numbers();
    clear_type_numbers();
    name_sequence_reset();
    xob_node* scope_node = new_source(text_of(file_name), nullptr, false, nullptr);
    std::time_t seconds = number_of(date);
    note_xob(name_text(text_of(file_name)), present(date) ? &seconds : nullptr,
             present(command) ? name_text(text_of(command)) : nullptr);
    push_scope(scope_node);
    return value_of(scope_node);
}

xob_value act_xob_end(xob_value, xob_value, xob_value, xob_value xob,
                      xob_value blocks) {
    if (xob.node) xob.node->blocks = adopt_list(blocks);
    pop_scope();
    end_xob_file();
    return value_of(xob.node);
}

xob_value act_object(xob_value name_value, xob_value mode, xob_value& position) {
    xob_node* entry = resolve_object(text_of(name_value), text_of(mode), position.node);
    return value_of(entry);
}

xob_value act_reference(xob_value mode, xob_value object, xob_value position) {
    xob_node* reference =
        new_reference(object.node, position.node, is_call_mode(text_of(mode)));
    return value_of(reference);
}

xob_value act_justify(xob_value name_value, xob_value line_count, xob_value comment,
                      xob_value all, xob_value position) {
    record_justify_element(name_text(text_of(name_value)), position.node, number_of(line_count),
                           present(all), text_of(comment));
    release_node(position.node);
    return no_value();
}

xob_value act_trap(xob_value name_value, xob_value param, xob_value position,
                   xob_value second_position) {
    record_trap_element(name_text(text_of(name_value)), position.node, text_of(param),
                        second_position.node);
    release_node(position.node);
    release_node(second_position.node);
    return no_value();
}
