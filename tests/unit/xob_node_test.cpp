#include "model/xob_node.h"

#include <gtest/gtest.h>

#include <cstring>

#include "model/name_table.h"

// What an attribute value of this token text interns as.
name* string_value(const char* text) { return intern_string_value(text, std::strlen(text)); }

TEST(XobNode, StringsLoseSurroundingQuotesOnly) {
    EXPECT_EQ(string_value("\"abc\""), name_intern("abc"));
    EXPECT_EQ(string_value("abc"), name_intern("abc"));
    EXPECT_EQ(string_value("\"\""), name_intern(""));
    EXPECT_EQ(string_value("\""), name_intern("\""));  // one quote is not a pair
    EXPECT_EQ(string_value("\"abc"), name_intern("\"abc"));
    EXPECT_EQ(string_value("a\"b\""), name_intern("a\"b\""));
    EXPECT_EQ(string_value("\"a\"b\""), name_intern("a\"b"));
}

TEST(XobNode, ReleasedNodesAreRecycledButLinkedOnesStay) {
    xob_node* linked = new_position_by_number(0, 7, 3);
    linked->flags |= LINKED;
    xob_node* held = linked;
    release_node(held);
    EXPECT_EQ(held, linked);
    EXPECT_EQ(linked->kind, a_position);
    EXPECT_EQ(linked->line, 7);

    xob_node* spare = new_position_by_number(0, 9, 1);
    xob_node* address = spare;
    release_node(spare);
    EXPECT_EQ(spare, nullptr);
    EXPECT_EQ(address->kind, free_xob);
    release_node(spare);  // the variable is null now: nothing happens

    xob_node* reused = new_node(a_position);
    EXPECT_EQ(reused, address);
    EXPECT_EQ(reused->kind, a_position);
    EXPECT_EQ(reused->flags, 0);
    EXPECT_EQ(reused->line, 0);
}

TEST(XobNode, ReferenceKeepsItsPosition) {
    xob_node* position = new_position_by_number(0, 4, 2);
    xob_node* definition = new_node(a_definition);
    definition->name = name_intern("counter");
    xob_node* reference = new_reference(definition, position, false);
    release_node(position);  // kept by the reference: must not be recycled
    EXPECT_EQ(position, reference->position);
    EXPECT_EQ(position->kind, a_position);
    EXPECT_EQ(node_name(reference), name_intern("counter"));
    EXPECT_EQ(node_position(reference), position);
    EXPECT_EQ(node_position(position), position);
}

TEST(XobNode, ScopesChainTheXobScopeNodes) {
    while (current_scope) pop_scope();
    xob_node* first = new_source(name_intern("one.xob"), nullptr, false, nullptr);
    push_scope(first);
    xob_node* function = new_node(a_function);
    push_scope(function);
    xob_node* inner = new_node(a_definition);
    pop_scope();
    xob_node* outer = new_node(a_definition);
    pop_scope();
    EXPECT_EQ(current_scope, nullptr);
    EXPECT_EQ(last_closed_xob_scope, first);
    EXPECT_EQ(inner->scope, function);
    EXPECT_EQ(outer->scope, first);
    EXPECT_EQ(function->scope, first);
    EXPECT_NE(first_xob_scope, nullptr);

    xob_node* second = new_source(name_intern("two.xob"), nullptr, false, nullptr);
    push_scope(second);
    EXPECT_EQ(first->scope, second);
    EXPECT_EQ(second->scope, nullptr);
    pop_scope();
    EXPECT_EQ(last_closed_xob_scope, second);
    pop_scope();  // nothing open: no effect
    EXPECT_EQ(current_scope, nullptr);
    EXPECT_TRUE(is_xob_scope(second));
    EXPECT_FALSE(is_xob_scope(new_source(nullptr, name_intern("/x.c"), false, nullptr)));
}

TEST(XobNode, XobListTakesANodeOnce) {
    xob_node* scope_node = new_source(name_intern("list.xob"), nullptr, false, nullptr);
    append_xob(scope_node);
    xob_node* tail = xob_list.tail;
    append_xob(scope_node);
    EXPECT_EQ(tail, scope_node);
    EXPECT_EQ(xob_list.tail, scope_node);
    EXPECT_EQ(scope_node->next, nullptr);
    EXPECT_TRUE(scope_node->flags & LINKED);
}
