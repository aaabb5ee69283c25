#include "model/link_pass.h"

#include <cstdlib>
#include <unordered_map>
#include <vector>

#include "messages/messages.h"
#include "model/entry_points.h"
#include "model/file_level_uses.h"
#include "model/rule_focus.h"
#include "model/trap_table.h"
#include "model/xob_node.h"

namespace {

// A stack that grows without bound; the call graph decides its depth.
template <class T>
class growing_stack {
public:
    growing_stack() = default;
    growing_stack(const growing_stack&) = delete;
    growing_stack& operator=(const growing_stack&) = delete;
    ~growing_stack() { std::free(items_); }

    std::size_t size() const { return count_; }
    bool empty() const { return count_ == 0; }
    T& top() { return items_[count_ - 1]; }
    T& operator[](std::size_t index) { return items_[index]; }
    void pop() { --count_; }
    void push(const T& item) {
        if (count_ == capacity_) {
            std::size_t capacity = capacity_ ? capacity_ * 2 : 64;
            void* grown = std::realloc(items_, capacity * sizeof(T));
            if (!grown) fatal("Fatal Error", "No memory left", "");
            items_ = static_cast<T*>(grown);
            capacity_ = capacity;
        }
        items_[count_++] = item;
    }

private:
    T* items_ = nullptr;
    std::size_t count_ = 0;
    std::size_t capacity_ = 0;
};

// Why a block list is being walked, which says what its result is used for.
enum class walked_for {
    start,             // the list given to link_walk
    function_in_list,  // the body of a function met in a block list
    source_blocks,     // the blocks of a source file or xob scope node
    use,               // the body of a function used inside the list above
};

// One block list being walked: the explicit form of one recursive call.
struct walk_frame {
    xob_node* list;
    xob_node* cursor;  // the next node to visit
    std::int32_t result;
    walked_for reason;
    xob_node* function;         // function_in_list, use: the function whose body this is
    xob_node* caller;           // use: the top of the call stack before the visit, or null
    bool caller_was_recursive;  // use: the caller's RECURSIVE bit before the visit
};

// The functions currently being walked, bottom first.
growing_stack<xob_node*> call_stack;

bool has(const xob_node* function, std::uint8_t flag) { return function->link_flags & flag; }

void enter(xob_node* function) {
    function->link_flags |= ON_STACK;
    call_stack.push(function);
}

void leave(xob_node* function, std::int32_t depth) {
    call_stack.pop();
    function->link_flags &= static_cast<std::uint8_t>(~ON_STACK);
    function->call_depth = depth;
}

// G is used while it is on the stack: the first time, raise the recursion
// traps along the cycle from the top of the stack down. Without `record`
// only the marks are set: the cycles of calls are reported elsewhere
// (call_cycles.h), since the stack also holds uses that take an address.
void report_recursion(xob_node* used, bool record) {
    if (has(used, RECURSIVE) || call_stack.empty()) return;
    used->link_flags |= RECURSIVE;
    std::size_t depth = call_stack.size();
    if (call_stack.top() == used) {
        if (record) record_trap(RULE_DIRECT_RECURSION, used->position, nullptr, used->name);
        return;
    }
    xob_node* callee = used;
    for (std::size_t i = depth; i-- > 0;) {
        xob_node* caller = call_stack[i];
        if (!has(caller, RECURSIVE)) {
            caller->link_flags |= RECURSIVE;
            if (record)
                record_trap_pair(RULE_INDIRECT_RECURSION, caller->position, nullptr,
                                 caller->name, callee->name);
            callee = caller;
            continue;
        }
        if (record)
            record_trap_pair(RULE_INDIRECT_RECURSION, caller->position, nullptr, caller->name,
                             callee->name);
        if (i != 0)
            for (std::size_t j = i; j < depth; ++j) call_stack[j]->link_flags |= CALLED;
        return;
    }
}

// What the call-graph walk acts on: functions, sources and uses of a function.
bool walk_acts_on(const xob_node* node) {
    return node->kind == a_function || node->kind == a_source ||
           (node->kind == a_reference && node->target && node->target->kind == a_function);
}

// The first node from `node` on along its chain that the walk acts on. Block
// lists can share their tail (every unit that reads a header again extends
// the body of the header's function), so the walk remembers, for each node
// where a run of nodes it passes over begins, where the run ends: a shared
// run is passed over in one step however many lists lead into it.
std::int64_t examined = 0;  // nodes the last link_walk looked at

constexpr std::int64_t REMEMBERED_RUN = 8;

class run_skipper {
public:
    xob_node* next_acted_on(xob_node* node) {
        if (!node || walk_acts_on(node)) return node;
        auto known = run_ends_.find(node);
        if (known != run_ends_.end()) return known->second;
        xob_node* end = node->next;
        std::int64_t start = examined;
        for (++examined; end && !walk_acts_on(end); end = end->next) ++examined;
        // A short run costs little to pass again; only long ones, which lists
        // sharing their tail would pass again and again, are remembered.
        if (examined - start >= REMEMBERED_RUN) run_ends_.emplace(node, end);
        return end;
    }

private:
    std::unordered_map<const xob_node*, xob_node*> run_ends_;
};

void contribute(walk_frame& frame, std::int32_t depth) {
    if (depth > frame.result) frame.result = depth;
}

// The end of a frame's list: what the recursive form does after its call returns.
void finish(const walk_frame& done, walk_frame* parent) {
    switch (done.reason) {
        case walked_for::function_in_list:
            leave(done.function, done.result);
            break;
        case walked_for::use: {
            leave(done.function, done.result);
            bool caller_kept_its_bit =
                !call_stack.empty() && has(call_stack.top(), RECURSIVE) == done.caller_was_recursive;
            if (caller_kept_its_bit) done.function->link_flags |= CALLED | DEPTH_KNOWN;
            contribute(*parent, done.result + 1);
            break;
        }
        case walked_for::start:
        case walked_for::source_blocks:
            break;
    }
}

}  // namespace

std::int32_t link_walk(xob_node* list) {
    growing_stack<walk_frame> frames;
    frames.push(walk_frame{list, list, 0, walked_for::start, nullptr, nullptr, false});
    std::int32_t result = 0;
    run_skipper skipper;
    examined = 0;
    const bool record_recursion = !focus_on(focus_mode::recursion_calls);
    while (!frames.empty()) {
        walk_frame& frame = frames.top();
        xob_node* node = frame.cursor = skipper.next_acted_on(frame.cursor);
        if (node) ++examined;
        if (!node) {
            walk_frame done = frame;
            frames.pop();
            if (frames.empty()) result = done.result;
            else finish(done, &frames.top());
            continue;
        }
        frame.cursor = node->next;
        if (node->kind == a_function) {
            if (has(node, ON_STACK)) continue;
            enter(node);
            frames.push(walk_frame{node->body, node->body, 0, walked_for::function_in_list, node,
                                   nullptr, false});
        } else if (node->kind == a_source) {
            if (node->blocks != frame.list)
                frames.push(walk_frame{node->blocks, node->blocks, 0, walked_for::source_blocks,
                                       nullptr, nullptr, false});
        } else if (node->kind == a_reference && node->target && node->target->kind == a_function) {
            xob_node* used = node->target;
            if (has(used, ON_STACK)) {
                report_recursion(used, record_recursion);
                contribute(frame, 1);
            } else if (has(used, DEPTH_KNOWN)) {
                contribute(frame, used->call_depth + 1);
            } else {
                xob_node* caller = call_stack.empty() ? nullptr : call_stack.top();
                bool caller_was_recursive = caller && has(caller, RECURSIVE);
                enter(used);
                frames.push(walk_frame{used->body, used->body, 0, walked_for::use, used, caller,
                                       caller_was_recursive});
            }
        }
    }
    return result;
}

std::int64_t link_walk_examined() { return examined; }

void check_undefined_declarations() {
    for (node_cell* cell = undefined_declarations; cell; cell = cell->next) {
        xob_node* declaration = cell->node;
        if (!declaration->definition && !declaration->in_system_include)
            record_trap(RULE_NO_DEFINITION, declaration->position, nullptr, declaration->name);
    }
}

namespace {

// The argument is the set of functions that count as referenced besides those marked CALLED.
int report_if_never_called(xob_node* node, void* argument) {
    const auto* referenced = static_cast<const function_set*>(argument);
    if (node->kind == a_function && !has(node, CALLED) && !referenced->count(node))
        record_trap(RULE_NEVER_REFERENCED, node->position, nullptr, node->name);
    return 1;
}

struct model_frame {
    xob_node* list;
    xob_node* cursor;
    xob_node* function;  // whose body this is, to clear its ON_STACK at the end
};

}  // namespace

void check_unreferenced_functions() {
    function_set referenced;
    if (focus_on(focus_mode::file_level_use))
        referenced = functions_used_at_file_level(xob_list.head);
    if (focus_on(focus_mode::entry_points)) {
        function_set entries = entry_point_functions(focus_list(focus_mode::entry_points));
        referenced.insert(entries.begin(), entries.end());
    }
    model_walk(xob_list.head, &referenced, report_if_never_called);
}

namespace {

// The flag bits that no walk has used yet. Each walk marks the nodes it
// meets with a bit of its own and leaves the marks behind, so that it never
// has to visit its nodes again to clear them; once all are used up, the
// walks mark with WALKED and clear it at their end.
std::uint8_t unused_walk_marks = static_cast<std::uint8_t>(~LINKED & ~WALKED);

std::uint8_t take_walk_mark() {
    std::uint8_t mark = unused_walk_marks & static_cast<std::uint8_t>(-unused_walk_marks);
    unused_walk_marks = static_cast<std::uint8_t>(unused_walk_marks & ~mark);
    return mark;
}

}  // namespace

int model_walk(xob_node* list, void* argument, model_visit callback) {
    growing_stack<model_frame> frames;
    frames.push(model_frame{list, list, nullptr});
    int last_result = 0;
    const std::uint8_t fresh_mark = take_walk_mark();
    const std::uint8_t mark = fresh_mark ? fresh_mark : static_cast<std::uint8_t>(WALKED);
    // Lists can share their tail: a node met again ends its list, whose rest
    // the walk has entered already from that node.
    std::vector<xob_node*> visited;
    while (!frames.empty()) {
        model_frame& frame = frames.top();
        xob_node* node = frame.cursor;
        if (node && (node->flags & mark)) node = frame.cursor = nullptr;
        if (node) {
            node->flags |= mark;
            if (!fresh_mark) visited.push_back(node);
        }
        if (!node) {
            if (frame.function)
                frame.function->link_flags &= static_cast<std::uint8_t>(~ON_STACK);
            frames.pop();
            continue;
        }
        frame.cursor = node->next;
        xob_node* own_list = frame.list;
        int result = callback(node, argument);
        if (frames.size() == 1) last_result = result;
        if (!result) continue;
        if (node->kind == a_function) {
            // A function merged from a repeated element can hold itself in its
            // own body, directly or deeper: its body is being walked already.
            if (has(node, ON_STACK)) continue;
            node->link_flags |= ON_STACK;
            frames.push(model_frame{node->body, node->body, node});
        } else if (node->kind == a_source && node->blocks != own_list) {
            frames.push(model_frame{node->blocks, node->blocks, nullptr});
        }
    }
    for (xob_node* node : visited) node->flags &= static_cast<std::uint8_t>(~WALKED);
    return last_result;
}
