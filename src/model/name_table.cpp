#include "model/name_table.h"

#include <cstddef>
#include <cstring>

#include "model/keyed_tree.h"

namespace {

keyed_tree name_tree;  // every interned name, by unsigned byte order

int compare_text(const tree_item* item, const void* key) {
    const auto* entry = static_cast<const name*>(tree_payload(item));
    return std::strcmp(static_cast<const char*>(key), entry->text);
}

}  // namespace

name* name_intern(const char* text) {
    std::size_t length = std::strlen(text);
    tree_item* item = tree_insert(&name_tree, text, offsetof(name, text) + length + 1, compare_text);
    auto* entry = static_cast<name*>(tree_payload(item));
    if (item->rank == ITEM_NEW) {
        entry->index = -1;
        entry->binding = nullptr;
        std::memcpy(entry->text, text, length + 1);
    }
    return entry;
}

const char* name_text(const name* n) { return n ? n->text : ""; }
void* name_binding(const name* n) { return n ? n->binding : nullptr; }
void name_set_binding(name* n, void* binding) {
    if (n) n->binding = binding;
}
std::int32_t name_index(const name* n) { return n ? n->index : -1; }
void name_set_index(name* n, std::int32_t index) {
    if (n) n->index = index;
}
