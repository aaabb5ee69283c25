#include "parse/similarity.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "model/arena.h"
#include "model/name_table.h"
#include "model/trap_table.h"
#include "model/xob_node.h"
#include "rules/rule_catalogue.h"

keyed_tree prefix_table;
keyed_tree confusion_table;
keyed_tree repetition_table;

namespace {

// Rule numbers of KYV_50_10, KYV_50_11 and KYV_50_12.
constexpr std::int32_t RULE_SAME_PREFIX = 19;
constexpr std::int32_t RULE_LOOK_ALIKE = 20;
constexpr std::int32_t RULE_REPEATED_CHARACTER = 21;

struct key_text {
    const char* bytes;
    std::size_t length;
};

int compare_keys(const tree_item* item, const void* key) {
    const auto* record = static_cast<const similarity_record*>(tree_payload(item));
    const auto* wanted = static_cast<const key_text*>(key);
    std::size_t common = wanted->length < record->key_length ? wanted->length : record->key_length;
    int order = std::memcmp(wanted->bytes, record->key, common);
    if (order != 0) return order;
    if (wanted->length == record->key_length) return 0;
    return wanted->length < record->key_length ? -1 : 1;
}

std::string prefix_key(const char* text, std::size_t length) {
    std::int32_t significant = significant_length < 0 ? 0 : significant_length;
    if (length >= static_cast<std::size_t>(significant)) length = significant;
    return std::string(text, length);
}

std::string confusion_key(const char* text, std::size_t length) {
    std::string key(text, length);
    for (char& c : key) {
        unsigned char representative = confusion_map[static_cast<unsigned char>(c)];
        // A map not built yet holds zeros: a byte then stands for itself.
        if (representative != 0) c = static_cast<char>(representative);
    }
    return key;
}

std::string repetition_key(const char* text, std::size_t length) {
    std::string key;
    key.reserve(length);
    for (std::size_t i = 0; i < length; ++i)
        if (key.empty() || key.back() != text[i]) key.push_back(text[i]);
    return key;
}

// A function declaration carries a position too, although the generic
// accessor gives none for it: without it the trap would land on line 0.
const xob_node* entry_position(xob_node* entry) {
    return entry->kind == a_function_declaration ? entry->position : node_position(entry);
}

similarity_carrier* new_carrier(xob_node* entry, name* entry_name, similarity_carrier* next) {
    auto* carrier = static_cast<similarity_carrier*>(arena_alloc(sizeof(similarity_carrier)));
    *carrier = {next, entry, entry_name};
    return carrier;
}

// The first name to produce a key owns it; every later entry of another name
// is paired with the entry registered last under the key.
void register_key(keyed_tree* table, std::int32_t rule, const std::string& key, name* identifier,
                  xob_node* entry) {
    key_text wanted{key.data(), key.size()};
    std::size_t payload = offsetof(similarity_record, key) + key.size() + 1;
    tree_item* item = tree_insert(table, &wanted, payload, compare_keys);
    auto* record = static_cast<similarity_record*>(tree_payload(item));
    if (item->rank == ITEM_NEW) {
        record->owner = identifier;
        record->carriers = new_carrier(entry, identifier, nullptr);
        record->key_length = key.size();
        std::memcpy(record->key, key.data(), key.size());
        record->key[key.size()] = '\0';
        return;
    }
    if (record->owner == identifier) return;
    similarity_carrier* newest = record->carriers;
    // A name entered again (declared, then defined) is not confusable with itself.
    if (newest->entry_name != identifier)
        record_trap_pair(rule, entry_position(entry), entry_position(newest->entry),
                         newest->entry_name, identifier);
    record->carriers = new_carrier(entry, identifier, newest);
}

}  // namespace

void check_similarity(name* identifier, xob_node* entry) {
    if (!identifier || !entry) return;
    const char* text = name_text(identifier);
    std::size_t length = std::strlen(text);
    register_key(&prefix_table, RULE_SAME_PREFIX, prefix_key(text, length), identifier, entry);
    register_key(&confusion_table, RULE_LOOK_ALIKE, confusion_key(text, length), identifier,
                 entry);
    register_key(&repetition_table, RULE_REPEATED_CHARACTER, repetition_key(text, length),
                 identifier, entry);
}
