#include "model/call_cycles.h"

#include <algorithm>
#include <cstdint>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "model/link_pass.h"
#include "model/rule_focus.h"
#include "model/trap_table.h"
#include "model/xob_node.h"

namespace {

using vertex = std::uint32_t;
constexpr vertex NONE = UINT32_MAX;

// The functions reachable from a block list as the link walk reaches them
// (in block lists, and as the target of a use), each with the functions its
// body uses, in the order of the uses.
struct call_graph {
    std::vector<xob_node*> functions;  // by vertex, in the order they were found
    std::vector<std::size_t> first_callee;  // by vertex, plus one entry past the last
    std::vector<vertex> callees;
};

class graph_builder {
public:
    // calls_only: a use that is no call (an address taken) adds no edge.
    explicit graph_builder(bool calls_only) : calls_only_(calls_only) {}

    call_graph build(xob_node* list) {
        scan(list, NONE);
        for (vertex caller = 0; caller < graph_.functions.size(); ++caller) {
            graph_.first_callee.push_back(graph_.callees.size());
            scan(graph_.functions[caller]->body, caller);
        }
        graph_.first_callee.push_back(graph_.callees.size());
        return std::move(graph_);
    }

private:
    vertex vertex_of(xob_node* function) {
        auto found = ids_.emplace(function, static_cast<vertex>(graph_.functions.size()));
        if (found.second) graph_.functions.push_back(function);
        return found.first->second;
    }

    // A block list and the sources inside it, as one sequence; the uses in
    // it are the caller's (none at file level). A function met in the list
    // is a vertex of its own, whose body is scanned for its own uses.
    void scan(xob_node* list, vertex caller) {
        std::vector<xob_node*> cursors{list};
        while (!cursors.empty()) {
            xob_node* node = cursors.back();
            if (!node) {
                cursors.pop_back();
                continue;
            }
            cursors.back() = node->next;
            if (node->kind == a_function) {
                vertex_of(node);
            } else if (node->kind == a_source) {
                if (entered_sources_.insert(node).second) cursors.push_back(node->blocks);
            } else if (node->kind == a_reference && node->target &&
                       node->target->kind == a_function) {
                vertex callee = vertex_of(node->target);
                bool edge = !calls_only_ || (node->link_flags & CALL_USE);
                if (caller != NONE && edge) graph_.callees.push_back(callee);
            }
        }
    }

    bool calls_only_;
    call_graph graph_;
    std::unordered_map<const xob_node*, vertex> ids_;
    std::unordered_set<const xob_node*> entered_sources_;
};

// Tarjan's algorithm with an explicit stack: the component of each vertex.
std::vector<vertex> strong_components(const call_graph& graph) {
    std::size_t count = graph.functions.size();
    std::vector<vertex> index(count, NONE), low(count), component(count, NONE);
    std::vector<vertex> open_members;  // visited vertices not yet in a component
    struct frame {
        vertex at;
        std::size_t next_callee;
    };
    std::vector<frame> frames;
    vertex visited = 0, components = 0;
    auto open = [&](vertex v) {
        index[v] = low[v] = visited++;
        open_members.push_back(v);
        frames.push_back(frame{v, graph.first_callee[v]});
    };
    for (vertex root = 0; root < count; ++root) {
        if (index[root] != NONE) continue;
        open(root);
        while (!frames.empty()) {
            frame& top = frames.back();
            vertex v = top.at;
            if (top.next_callee < graph.first_callee[v + 1]) {
                vertex callee = graph.callees[top.next_callee++];
                if (index[callee] == NONE)
                    open(callee);
                else if (component[callee] == NONE)
                    low[v] = std::min(low[v], index[callee]);
                continue;
            }
            frames.pop_back();
            if (low[v] == index[v]) {
                vertex member;
                do {
                    member = open_members.back();
                    open_members.pop_back();
                    component[member] = components;
                } while (member != v);
                ++components;
            }
            if (!frames.empty()) {
                vertex caller = frames.back().at;
                low[caller] = std::min(low[caller], low[v]);
            }
        }
    }
    return component;
}

}  // namespace

void report_call_cycles(xob_node* list) {
    if (!focus_on(focus_mode::recursion_all)) return;
    call_graph graph = graph_builder(focus_on(focus_mode::recursion_calls)).build(list);
    std::vector<vertex> component = strong_components(graph);
    for (vertex v = 0; v < graph.functions.size(); ++v) {
        bool calls_itself = false;
        vertex successor = NONE;
        for (std::size_t e = graph.first_callee[v]; e < graph.first_callee[v + 1]; ++e) {
            vertex callee = graph.callees[e];
            if (callee == v)
                calls_itself = true;
            else if (successor == NONE && component[callee] == component[v])
                successor = callee;
        }
        xob_node* function = graph.functions[v];
        if (calls_itself)
            record_trap(RULE_DIRECT_RECURSION, function->position, nullptr, function->name);
        if (successor != NONE)
            record_trap_pair(RULE_INDIRECT_RECURSION, function->position, nullptr, function->name,
                             graph.functions[successor]->name);
    }
}
