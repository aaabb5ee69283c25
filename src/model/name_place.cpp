#include "model/name_place.h"

#include <algorithm>

#include "model/binding.h"
#include "model/xob_node.h"

namespace {

const xob_node* enclosing_function(const xob_node* scope) {
    return scope && scope->kind == a_function ? scope : nullptr;
}

bool has_level(const xob_node* node) {
    return node->kind == a_declaration || node->kind == a_definition || node->kind == a_typedef;
}

}  // namespace

name_place place_of(const xob_node* node, const xob_node* unit) {
    name_place place{};
    // A function is at file level, even while the placeholder that a call
    // made of it still has the caller as scope.
    place.function = node->kind == a_function ? nullptr : enclosing_function(node->scope);
    place.depth = has_level(node) ? node->level : (place.function ? 1 : 0);
    place.external = !place.function && node->kind != a_typedef && node->storage != static_name();
    place.unit = unit;
    return place;
}

name_place place_here(std::int32_t depth, bool external) {
    name_place place{};
    place.function = enclosing_function(current_scope);
    place.depth = depth;
    place.external = !place.function && external;
    place.unit = unit_being_read();
    return place;
}

xob_node* unit_being_read() {
    xob_node* scope = current_scope;
    while (scope && scope->kind == a_function) scope = scope->scope;
    return scope;
}

bool one_scope_sees(const name_place& a, const name_place& b) {
    if (!a.function && !b.function) return a.unit == b.unit || (a.external && b.external);
    if (a.function && b.function)
        return a.function == b.function && std::min(a.depth, b.depth) <= 1;
    return a.unit == b.unit;
}
