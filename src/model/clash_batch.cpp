#include "model/clash_batch.h"

#include "model/binding.h"
#include "model/binding_lists.h"
#include "model/name_place.h"
#include "model/rule_focus.h"
#include "model/trap_table.h"
#include "model/xob_node.h"

namespace {

// Outside every function body (the analyser's level 0): an xob scope node,
// or no scope at all.
bool at_file_level(const xob_node* scope) { return !scope || scope->kind != a_function; }

// The xob scope node a scope lies in: a function lies in its enclosing scope.
const xob_node* xob_around(const xob_node* scope) {
    while (scope && scope->kind == a_function) scope = scope->scope;
    return scope;
}

bool external_linkage(const xob_node* node) {
    return node->kind != a_typedef && node->storage != static_name();
}

}  // namespace

clash_batch::clash_batch(name* identifier, xob_node*& position, bool external,
                         std::int32_t depth)
    : identifier_(identifier),
      position_(position),
      scope_(current_scope),
      external_(external),
      depth_(depth) {}

clash_batch::~clash_batch() {
    if (earliest_reuse_)
        record_trap(RULE_IDENTIFIER_REUSED, position_, earliest_reuse_->node->position,
                    identifier_);
}

void clash_batch::report(const binding_cell* existing, std::int32_t default_rule) {
    const xob_node* other = existing->node;
    std::int32_t rule = clash_rule(other->scope, default_rule);
    if (!kept(rule, other)) return;
    if (rule == RULE_IDENTIFIER_REUSED && focus_on(focus_mode::reuse_once)) {
        // The scans meet nodes newest first, but two scans may each bring one.
        if (!earliest_reuse_ || existing->order() < earliest_reuse_->order()) earliest_reuse_ = existing;
        return;
    }
    record_trap(rule, position_, other->position, identifier_);
}

void clash_batch::report_typedef(const xob_node* type) {
    if (focus_on(focus_mode::typedef_visible) &&
        !one_scope_sees(place_here(depth_, external_), place_of(type, type->entered_in)))
        return;
    report_clash(nullptr, RULE_TYPEDEF_NAME_REUSED, position_, type->position, identifier_);
}

bool clash_batch::kept(std::int32_t rule, const xob_node* existing) const {
    switch (rule) {
        case RULE_IDENTIFIER_REUSED:
            return !focus_on(focus_mode::reuse_outer) || at_file_level(scope_) ||
                   at_file_level(existing->scope);
        case RULE_REDEFINED:
            return !focus_on(focus_mode::redefinition_global) ||
                   (at_file_level(scope_) && at_file_level(existing->scope));
        case RULE_HIDES_OUTER_SCOPE:
            return !focus_on(focus_mode::hiding_visible) || outer_visible(existing);
        default:
            return true;
    }
}

// Rule KYV_50_20 pairs a name inside a function with one at file level. The
// inner scope sees the outer name when both were read from the same xob
// file, or when the outer name has external linkage.
bool clash_batch::outer_visible(const xob_node* existing) const {
    bool new_is_outer = at_file_level(scope_);
    bool outer_external = new_is_outer ? external_ : external_linkage(existing);
    return outer_external || xob_around(scope_) == xob_around(existing->scope);
}
