#include "parse/similarity.h"

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "model/arena.h"
#include "model/hashed_set.h"
#include "model/binding_lists.h"
#include "model/name_table.h"
#include "model/trap_table.h"
#include "model/xob_node.h"
#include "rules/rule_catalogue.h"

similarity_tables::similarity_tables()
    : by_key{similarity_key_table(0), similarity_key_table(1), similarity_key_table(2)} {
    static std::uint32_t made = 0;
    generation = ++made;
}

similarity_key_table::~similarity_key_table() {
    if (slots_) zeroed_table_free(slots_, (mask_ + 1) * sizeof(std::uintptr_t));
}

std::uint32_t similarity_key_table::hash_at(std::uintptr_t slot) const {
    if (slot & NOTE_BIT)
        return reinterpret_cast<similarity_keys_of_name*>(address_of(slot))->hashes[table_];
    return reinterpret_cast<similarity_record*>(address_of(slot))->hash;
}

name* similarity_key_table::owner_at(std::uintptr_t slot) const {
    if (slot & NOTE_BIT)
        return reinterpret_cast<similarity_keys_of_name*>(address_of(slot))->first_entry->name;
    return reinterpret_cast<similarity_record*>(address_of(slot))->owner;
}

similarity_record* similarity_key_table::record_at(std::uintptr_t* slot) {
    if (!(*slot & NOTE_BIT)) return reinterpret_cast<similarity_record*>(address_of(*slot));
    std::uintptr_t note_address = address_of(*slot);
    auto* note = reinterpret_cast<similarity_keys_of_name*>(note_address);
    auto* record = static_cast<similarity_record*>(arena_alloc(sizeof(similarity_record)));
    *record = {note->hashes[table_], note->first_entry->name, note->first_entry};
    auto address = reinterpret_cast<std::uintptr_t>(record);
    if (!tags_.fit(record)) {
        // Every slot again without a tag, and the note's slot found again
        // where that put it.
        std::uintptr_t old_tag_mask = tags_.turn_off();
        rebuild(mask_ + 1, old_tag_mask);
        std::size_t at = record->hash & mask_;
        while (slots_[at] != (note_address | NOTE_BIT)) at = (at + 1) & mask_;
        slot = &slots_[at];
    }
    *slot = address | tag_of(record->hash);
    return record;
}

void similarity_key_table::add_owned(std::uintptr_t* slot, similarity_keys_of_name* note) {
    auto address = reinterpret_cast<std::uintptr_t>(note);
    if (!tags_.fit(note)) {
        std::uintptr_t old_tag_mask = tags_.turn_off();
        if (slots_) rebuild(mask_ + 1, old_tag_mask);
        slot = nullptr;
    }
    // Up to three quarters full: linear probes stay short.
    if (!slots_ || (count_ + 1) * 4 > (mask_ + 1) * 3) {
        rebuild(slots_ ? 2 * (mask_ + 1) : 64, tags_.mask());
        slot = nullptr;
    }
    std::uint32_t hash = note->hashes[table_];
    if (!slot) {  // the key is absent: the first free slot of its probe sequence
        std::size_t at = hash & mask_;
        while (slots_[at]) at = (at + 1) & mask_;
        slot = &slots_[at];
    }
    *slot = address | tag_of(hash) | NOTE_BIT;
    ++count_;
}

void similarity_key_table::prefetch_slot(std::uint32_t hash) const {
    if (slots_) __builtin_prefetch(&slots_[hash & mask_]);
}

void similarity_key_table::rebuild(std::size_t capacity, std::uintptr_t old_tag_mask) {
    std::uintptr_t* old = slots_;
    std::size_t old_capacity = old ? mask_ + 1 : 0;
    slots_ = static_cast<std::uintptr_t*>(zeroed_table_alloc(capacity * sizeof(std::uintptr_t)));
    mask_ = capacity - 1;
    for (std::size_t from = 0; from < old_capacity; ++from) {
        if (!old[from]) continue;
        std::uintptr_t entry = old[from] & ~old_tag_mask;
        std::uint32_t hash = hash_at(entry);
        std::size_t at = hash & mask_;
        while (slots_[at]) at = (at + 1) & mask_;
        slots_[at] = entry | tag_of(hash);
    }
    zeroed_table_free(old, old_capacity * sizeof(std::uintptr_t));
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
            if (known->records[table])
                register_entry(known->records[table], TABLE_RULES[table], identifier, entry);
        return;
    }
    // All three keys first, their slots asked for at once: the three look-ups
    // then wait for memory side by side rather than one after the other.
    static std::string keys[3];
    std::uint32_t hashes[3];
    for (int table = 0; table < 3; ++table) {
        key_of_name(TABLE_KEYS[table], identifier, keys[table]);
        hashes[table] = static_cast<std::uint32_t>(hash_bytes(keys[table].data(), keys[table].size()));
        tables.by_key[table].prefetch_slot(hashes[table]);
    }
    static std::string candidate_key;
    std::uintptr_t* free_slots[3] = {};
    bool absent[3] = {};
    similarity_record* records[3] = {};
    bool owns_all = true;
    for (int table = 0; table < 3; ++table) {
        similarity_key_table& keyed = tables.by_key[table];
        std::uintptr_t* slot = keyed.find(hashes[table], [&](const name* owner) {
            key_of_name(TABLE_KEYS[table], owner, candidate_key);
            return candidate_key == keys[table];
        });
        if (!slot || !*slot) {
            absent[table] = true;
            free_slots[table] = slot;
            continue;
        }
        owns_all = false;
        // A key this name owns (entered in other tables before) changes nothing.
        if (keyed.owner_at(*slot) == identifier) continue;
        records[table] = keyed.record_at(slot);
        register_entry(records[table], TABLE_RULES[table], identifier, entry);
    }
    auto* note = static_cast<similarity_keys_of_name*>(arena_alloc(
        owns_all ? offsetof(similarity_keys_of_name, records) : sizeof(similarity_keys_of_name)));
    note->tables = tables.generation;
    note->owns_all = owns_all ? 1 : 0;
    note->first_entry = entry;
    for (int table = 0; table < 3; ++table) {
        note->hashes[table] = hashes[table];
        if (!owns_all) note->records[table] = records[table];
    }
    for (int table = 0; table < 3; ++table)
        if (absent[table]) tables.by_key[table].add_owned(free_slots[table], note);
    set_similarity_keys(identifier, note);
}
