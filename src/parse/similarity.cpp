#include "parse/similarity.h"

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "model/arena.h"
#include "model/binding_lists.h"
#include "model/name_table.h"
#include "model/trap_table.h"
#include "model/xob_node.h"
#include "rules/rule_catalogue.h"

similarity_tables::similarity_tables() {
    static std::uint64_t made = 0;
    generation = ++made;
    owns_all_keys = static_cast<similarity_keys_of_name*>(arena_alloc(sizeof(similarity_keys_of_name)));
    *owns_all_keys = {generation, {nullptr, nullptr, nullptr}, true};
}

similarity_tables similarity;

namespace {

// Rule numbers of KYV_50_10, KYV_50_11 and KYV_50_12.
constexpr std::int32_t RULE_SAME_PREFIX = 19;
constexpr std::int32_t RULE_LOOK_ALIKE = 20;
constexpr std::int32_t RULE_REPEATED_CHARACTER = 21;

// Key builders write the key of a text into `key`, whose buffer is reused
// from one call to the next: no allocation per identifier.
void prefix_key(const char* text, std::size_t length, std::string& key) {
    std::int32_t significant = significant_length < 0 ? 0 : significant_length;
    if (length >= static_cast<std::size_t>(significant)) length = significant;
    key.assign(text, length);
}

void confusion_key(const char* text, std::size_t length, std::string& key) {
    key.assign(text, length);
    for (char& c : key) {
        unsigned char representative = confusion_map[static_cast<unsigned char>(c)];
        // A map not built yet holds zeros: a byte then stands for itself.
        if (representative != 0) c = static_cast<char>(representative);
    }
}

void repetition_key(const char* text, std::size_t length, std::string& key) {
    key.clear();
    for (std::size_t i = 0; i < length; ++i)
        if (key.empty() || key.back() != text[i]) key.push_back(text[i]);
}

// A function declaration carries a position too, although the generic
// accessor gives none for it: without it the trap would land on line 0.
const xob_node* entry_position(xob_node* entry) {
    return entry->kind == a_function_declaration ? entry->position : node_position(entry);
}

using key_builder = void (*)(const char* text, std::size_t length, std::string& key);

void key_of_name(key_builder build, const name* identifier, std::string& key) {
    const char* text = name_text(identifier);
    build(text, std::strlen(text), key);
}

// The record of a key in one table, made with `identifier` as its owner and
// `entry` as its only entry when the key is new (`created`: nothing more to do).
similarity_record* record_of_key(hashed_set<similarity_record>& table, key_builder build,
                                 const std::string& key, std::uint32_t hash, name* identifier,
                                 xob_node* entry, bool* created) {
    static std::string candidate_key;
    similarity_record* record = table.find(hash, [&](const similarity_record* candidate) {
        key_of_name(build, candidate->owner, candidate_key);
        return candidate_key == key;
    });
    *created = !record;
    if (record) return record;
    record = static_cast<similarity_record*>(arena_alloc(sizeof(similarity_record)));
    *record = {hash, identifier, entry};
    table.add(record);
    return record;
}

// The first name to produce a key owns it; every later entry of another name
// is paired with the entry registered last under the key.
void register_entry(similarity_record* record, std::int32_t rule, name* identifier,
                    xob_node* entry) {
    if (record->owner == identifier) return;
    // A name entered again (declared, then defined) is not confusable with itself.
    name* newest_name = record->newest_entry->name;
    if (newest_name != identifier)
        record_trap_pair(rule, entry_position(entry), entry_position(record->newest_entry),
                         newest_name, identifier);
    record->newest_entry = entry;
}

constexpr key_builder TABLE_KEYS[3] = {prefix_key, confusion_key, repetition_key};
constexpr std::int32_t TABLE_RULES[3] = {RULE_SAME_PREFIX, RULE_LOOK_ALIKE,
                                         RULE_REPEATED_CHARACTER};

}  // namespace

void check_similarity(name* identifier, xob_node* entry) {
    check_similarity_in(similarity, identifier, entry);
}

void check_similarity_in(similarity_tables& tables, name* identifier, xob_node* entry) {
    if (!identifier || !entry) return;
    // Every entry is bound to its identifier: a record keeps the entry alone.
    assert(entry->name == identifier);
    auto* known = static_cast<similarity_keys_of_name*>(similarity_keys_of(identifier));
    if (known && known->tables == tables.generation) {
        if (known->owns_all) return;
        for (int table = 0; table < 3; ++table)
            register_entry(known->records[table], TABLE_RULES[table], identifier, entry);
        return;
    }
    similarity_keys_of_name found{tables.generation, {}, false};
    // All three keys first, their slots asked for at once: the three look-ups
    // then wait for memory side by side rather than one after the other.
    static std::string keys[3];
    std::uint32_t hashes[3];
    for (int table = 0; table < 3; ++table) {
        key_of_name(TABLE_KEYS[table], identifier, keys[table]);
        hashes[table] = static_cast<std::uint32_t>(hash_bytes(keys[table].data(), keys[table].size()));
        tables.by_key[table].prefetch_slot(hashes[table]);
    }
    for (int table = 0; table < 3; ++table) {
        bool created;
        found.records[table] = record_of_key(tables.by_key[table], TABLE_KEYS[table], keys[table],
                                             hashes[table], identifier, entry, &created);
        if (!created) register_entry(found.records[table], TABLE_RULES[table], identifier, entry);
    }
    found.owns_all = found.records[0]->owner == identifier &&
                     found.records[1]->owner == identifier &&
                     found.records[2]->owner == identifier;
    if (found.owns_all) {
        set_similarity_keys(identifier, tables.owns_all_keys);
        return;
    }
    // A name's own copy; the shared one of some tables (no records) stays as it is.
    if (!known || !known->records[0]) {
        known = static_cast<similarity_keys_of_name*>(arena_alloc(sizeof(similarity_keys_of_name)));
        set_similarity_keys(identifier, known);
    }
    *known = found;
}
