#include "kyvscan/source_layout.h"

#include <algorithm>
#include <climits>

int source_layout::add_inclusion(source_file_info* file, int parent, int include_line) {
    int index = static_cast<int>(inclusions_.size());
    inclusion node;
    node.file = file;
    node.parent = parent;
    node.include_line = include_line;
    inclusions_.push_back(std::move(node));
    if (parent >= 0) inclusions_[parent].children.push_back(index);
    return index;
}

bool source_layout::is_open(int index) const {
    return inclusions_[index].opened && !inclusions_[index].closed;
}

int source_layout::inclusion_for(const source_file_info* file) const {
    for (auto it = frames_.rbegin(); it != frames_.rend(); ++it)
        if (it->inclusion >= 0 && inclusions_[it->inclusion].file == file) return it->inclusion;
    int first = -1;
    for (int i = 0; i < static_cast<int>(inclusions_.size()); ++i) {
        if (inclusions_[i].file != file) continue;
        if (!inclusions_[i].opened) return i;
        if (first < 0) first = i;
    }
    return first;
}

void source_layout::hold(int inclusion, pending_element element) {
    inclusions_[inclusion].held.push_back(std::move(element));
}

void source_layout::sort_held(inclusion& node) {
    if (node.sorted) return;
    std::stable_sort(node.held.begin(), node.held.end(),
                     [](const pending_element& a, const pending_element& b) {
                         return a.line != b.line ? a.line < b.line : a.column < b.column;
                     });
    node.sorted = true;
}

void source_layout::order_children() {
    for (inclusion& node : inclusions_)
        std::stable_sort(node.children.begin(), node.children.end(), [this](int a, int b) {
            return inclusions_[a].include_line < inclusions_[b].include_line;
        });
}

void source_layout::open(int index) {
    inclusion& node = inclusions_[index];
    source_file_info* file = node.file;
    file->opened = true;
    writer_.begin_source(file->base_name, file->full_name, file->date, file->content_hash,
                         file->system, file->filenum);
    node.opened = true;
    sort_held(node);
    frames_.push_back({index});
}

void source_layout::write_before(int index, int line) {
    inclusion& node = inclusions_[index];
    for (;;) {
        bool child_due = node.next_child < node.children.size() &&
                         inclusions_[node.children[node.next_child]].include_line < line;
        bool held_due = node.next_held < node.held.size() && node.held[node.next_held].line < line;
        if (!child_due && !held_due) return;
        if (child_due && (!held_due || inclusions_[node.children[node.next_child]].include_line <=
                                           node.held[node.next_held].line)) {
            int child = node.children[node.next_child++];
            if (!inclusions_[child].opened) write_whole(child);
        } else {
            node.held[node.next_held++].write(writer_);
        }
    }
}

void source_layout::write_whole(int index) {
    open(index);
    close_top();
}

void source_layout::close_top() {
    int index = frames_.back().inclusion;
    write_before(index, INT_MAX);
    writer_.end_source();
    inclusions_[index].closed = true;
    frames_.pop_back();
}

int source_layout::innermost_source() const {
    for (auto it = frames_.rbegin(); it != frames_.rend(); ++it)
        if (it->inclusion >= 0) return it->inclusion;
    return -1;
}

void source_layout::start() {
    if (!inclusions_.empty()) open(0);
}

bool source_layout::move_to(int target, int line) {
    if (target < 0 || target >= static_cast<int>(inclusions_.size())) return false;
    if (inclusions_[target].closed) return false;
    // The open inclusion the target hangs from (itself when it is open).
    std::vector<int> chain;
    int anchor = target;
    while (anchor >= 0 && !is_open(anchor)) {
        if (inclusions_[anchor].closed) return false;
        chain.push_back(anchor);
        anchor = inclusions_[anchor].parent;
    }
    if (anchor < 0) return false;
    // Close what lies above the anchor, but never a function's body.
    while (!frames_.empty() && frames_.back().inclusion >= 0 && frames_.back().inclusion != anchor)
        close_top();
    if (innermost_source() != anchor) return false;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        inclusion& parent = inclusions_[anchor];
        // Siblings included before this one come first, whole.
        while (parent.next_child < parent.children.size() &&
               parent.children[parent.next_child] != *it) {
            int sibling = parent.children[parent.next_child++];
            write_before(anchor, inclusions_[sibling].include_line + 1);
            if (!inclusions_[sibling].opened) write_whole(sibling);
        }
        if (parent.next_child < parent.children.size()) ++parent.next_child;
        write_before(anchor, inclusions_[*it].include_line + 1);
        open(*it);
        anchor = *it;
    }
    write_before(target, line);
    return true;
}

void source_layout::begin_function() { frames_.push_back({-1}); }

void source_layout::end_function() {
    while (!frames_.empty() && frames_.back().inclusion >= 0) close_top();
    if (!frames_.empty()) frames_.pop_back();
}

void source_layout::finish() {
    while (!frames_.empty()) {
        if (frames_.back().inclusion >= 0)
            close_top();
        else
            frames_.pop_back();
    }
}
