// The clash traps of one new named element (binding.h). Without a focused
// mode each clash is recorded at once, with the rule report_clash chooses;
// the focused modes of the name-reuse rules (rule_focus.h) drop some of
// them, and rule KYV_50_70's "once" keeps only the clash with the earliest
// node, recorded when the batch ends with the element's binding.
#pragma once
#include <cstdint>

struct binding_cell;
struct name;
struct xob_node;

class clash_batch {
public:
    // position: the reader's variable that holds the element's position,
    // which the binding may make designate an existing node's equal one.
    // external: the element has external linkage (not static, not a typedef).
    // depth: the element's block depth inside a function (its level), 0 at file level.
    clash_batch(name* identifier, xob_node*& position, bool external, std::int32_t depth);
    ~clash_batch();
    clash_batch(const clash_batch&) = delete;
    clash_batch& operator=(const clash_batch&) = delete;

    // A clash with an existing declaration, definition, function or
    // function declaration, whose rule depends on the scopes of the two.
    void report(const binding_cell* existing, std::int32_t default_rule);
    // A clash with an existing typedef (rule KYV_50_30), recorded unless its
    // focused mode "visible" finds no scope that sees the typedef and the element.
    void report_typedef(const xob_node* type);

private:
    bool kept(std::int32_t rule, const xob_node* existing) const;
    bool outer_visible(const xob_node* existing) const;

    name* identifier_;
    xob_node*& position_;
    const xob_node* scope_;  // the innermost scope the element was read in
    bool external_;
    std::int32_t depth_;
    const binding_cell* earliest_reuse_ = nullptr;  // the once mode's candidate
};
