#include "parse/similarity.h"

#include <algorithm>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "model/arena.h"
#include "model/hashed_set.h"
#include "model/binding_lists.h"
#include "model/name_place.h"
#include "model/name_table.h"
#include "model/rule_focus.h"
#include "model/trap_table.h"
#include "model/xob_node.h"
#include "parse/similarity_visible.h"
#include "rules/link_stage_rules.h"
#include "rules/rule_catalogue.h"

namespace {

// The length of the prefix key; a negative setting counts as 0.
std::size_t significant_prefix() {
    return significant_length < 0 ? 0 : static_cast<std::size_t>(significant_length);
}

// Key builders write the key of a text to `out`, which has room for the
// text (no key is longer), and give its length.
std::size_t prefix_key(const char* text, std::size_t length, char* out) {
    if (length >= significant_prefix()) length = significant_prefix();
    std::memcpy(out, text, length);
    return length;
}

std::size_t confusion_key(const char* text, std::size_t length, char* out) {
    for (std::size_t i = 0; i < length; ++i) {
        unsigned char representative = confusion_map[static_cast<unsigned char>(text[i])];
        // A map not built yet holds zeros: a byte then stands for itself.
        out[i] = representative != 0 ? static_cast<char>(representative) : text[i];
    }
    return length;
}

std::size_t repetition_key(const char* text, std::size_t length, char* out) {
    std::size_t kept = 0;
    for (std::size_t i = 0; i < length; ++i)
        if (kept == 0 || out[kept - 1] != text[i]) out[kept++] = text[i];
    return kept;
}

// A function declaration carries a position too, although the generic
// accessor gives none for it: without it the trap would land on line 0.
const xob_node* entry_position(xob_node* entry) {
    return entry->kind == a_function_declaration ? entry->position : node_position(entry);
}

using key_builder = std::size_t (*)(const char* text, std::size_t length, char* out);

// A key, in a buffer reused from one key to the next: no allocation per identifier.
struct key_text {
    std::string buffer;
    std::size_t length = 0;
    bool operator==(const key_text& other) const {
        return length == other.length && std::memcmp(buffer.data(), other.buffer.data(), length) == 0;
    }
};

void key_of_text(key_builder build, const char* text, std::size_t length, key_text& key) {
    if (key.buffer.size() < length) key.buffer.resize(length);
    key.length = build(text, length, &key.buffer[0]);
}

void key_of_name(key_builder build, const name* identifier, key_text& key) {
    const char* text = name_text(identifier);
    key_of_text(build, text, std::strlen(text), key);
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

std::uint32_t key_hash(const key_text& key) {
    return static_cast<std::uint32_t>(hash_bytes(key.buffer.data(), key.length));
}

constexpr focus_mode VISIBLE_MODES[3] = {focus_mode::prefix_visible,
                                         focus_mode::look_alike_visible,
                                         focus_mode::repeated_visible};

void read_focus_modes(similarity_tables& tables) {
    tables.modes_read = true;
    for (int table = 0; table < 3; ++table)
        tables.in_visible_mode[table] = focus_on(VISIBLE_MODES[table]);
    if (tables.in_visible_mode[0] || tables.in_visible_mode[1] || tables.in_visible_mode[2])
        tables.visible.reset(new visible_similarity);
}

visible_name_note* visible_note_of(const name* identifier, std::uint32_t generation) {
    return static_cast<visible_name_note*>(similarity_keys_of(identifier, generation));
}

visible_key_records& key_records_of(visible_name_note& note) {
    if (!note.records) note.records = arena_number(arena_alloc(sizeof(visible_key_records)));
    return *static_cast<visible_key_records*>(arena_record(note.records));
}

// The name's keys from the first table it can meet on, with their hashes.
// All keys first, their slots asked for at once: the look-ups then wait
// for memory side by side rather than one after the other. A name shorter
// than the significant length is its own prefix key, and every other name's
// prefix key differs from it (another text, or a longer one): no other name
// can meet that key, so it is not kept. Gives the first table.
int keys_of_new_name(similarity_tables& tables, const char* text, std::size_t length,
                     key_text (&keys)[3], std::uint32_t (&hashes)[3]) {
    int first_table = length < significant_prefix() ? 1 : 0;
    for (int table = first_table; table < 3; ++table) {
        key_of_text(TABLE_KEYS[table], text, length, keys[table]);
        hashes[table] = key_hash(keys[table]);
        tables.by_key[table].prefetch_slot(hashes[table]);
    }
    return first_table;
}

// The slot of the key in the table's key table: the owner's, or a free one.
std::size_t slot_of_key(similarity_key_table& keyed, int table, std::uint32_t hash,
                        const key_text& key) {
    static key_text candidate_key;
    return keyed.find(hash, [&](const name* owner) {
        key_of_name(TABLE_KEYS[table], owner, candidate_key);
        return candidate_key == key;
    });
}

// The first entry of a name: its keys, once, and their records; in a table
// in the focused mode, the name joins the key's group (with the key's owner,
// when the key had only met the owner until now).
visible_name_note* note_new_name(similarity_tables& tables, name* identifier, xob_node* entry) {
    auto* note = static_cast<visible_name_note*>(arena_alloc(sizeof(visible_name_note)));
    const char* text = name_text(identifier);
    static key_text keys[3];
    std::uint32_t hashes[3];
    int first_table = keys_of_new_name(tables, text, std::strlen(text), keys, hashes);
    for (int table = first_table; table < 3; ++table) {
        similarity_key_table& keyed = tables.by_key[table];
        std::size_t slot = slot_of_key(keyed, table, hashes[table], keys[table]);
        if (keyed.is_free(slot)) {
            keyed.add_owned(slot, entry, hashes[table]);
            continue;
        }
        name* owner = keyed.owner_at(slot);
        if (owner == identifier) continue;
        if (!tables.in_visible_mode[table]) {
            key_records_of(*note).of_table[table] = arena_number(keyed.record_at(slot, hashes[table]));
            continue;
        }
        auto* group = static_cast<visible_key_group*>(
            keyed.record_at(slot, hashes[table], sizeof(visible_key_group)));
        if (!group->members) {
            visible_name_note* owners = visible_note_of(owner, tables.generation);
            assert(owners && "every name of the run has its note");
            visible_similarity::join(*group, arena_number(owners));
            key_records_of(*owners).of_table[table] = arena_number(group);
        }
        visible_similarity::join(*group, arena_number(note));
        key_records_of(*note).of_table[table] = arena_number(group);
    }
    set_similarity_keys(identifier, note, tables.generation);
    return note;
}

// The entry of a name that met a key of another name: the tables in the
// focused mode pair it first, then the others register it.
void check_key_records(similarity_tables& tables, visible_name_note& note, name* identifier,
                       xob_node* entry, const name_place& here) {
    const auto& records = *static_cast<const visible_key_records*>(arena_record(note.records));
    for (int table = 0; table < 3; ++table) {
        if (!tables.in_visible_mode[table] || !records.of_table[table]) continue;
        const auto* group = static_cast<const visible_key_group*>(arena_record(records.of_table[table]));
        if (xob_node* partner =
                tables.visible->pair_for(table, *group, arena_number(&note), entry, here))
            record_trap_pair(TABLE_RULES[table], entry_position(entry), entry_position(partner),
                             partner->name, identifier);
    }
    for (int table = 0; table < 3; ++table) {
        if (tables.in_visible_mode[table] || !records.of_table[table]) continue;
        register_entry(static_cast<similarity_record*>(arena_record(records.of_table[table])),
                       TABLE_RULES[table], identifier, entry);
    }
}

// Every entry of a run with a table in the focused mode: the tables in that
// mode pair it first, then the others register it as check_similarity_in
// does, and the entry becomes a sighting of its name.
void check_with_visible(similarity_tables& tables, name* identifier, xob_node* entry) {
    visible_name_note* note = visible_note_of(identifier, tables.generation);
    if (!note) note = note_new_name(tables, identifier, entry);
    const name_place here = place_of(entry, unit_being_read());
    if (note->records) check_key_records(tables, *note, identifier, entry, here);
    tables.visible->keep(*note, entry, here);
}


}  // namespace

similarity_tables::similarity_tables()
    : by_key{similarity_key_table(0), similarity_key_table(1), similarity_key_table(2)} {
    static std::uint32_t made = 0;
    generation = ++made;
}

similarity_tables::~similarity_tables() = default;

similarity_key_table::~similarity_key_table() { zeroed_table_free(tags_, capacity() * SLOT_BYTES); }

std::uint32_t similarity_key_table::hash_at(std::size_t slot) const {
    if (tags_[slot] & ENTRY) {
        static key_text key;
        key_of_name(TABLE_KEYS[table_], owner_at(slot), key);
        return key_hash(key);
    }
    return static_cast<similarity_record*>(arena_record(numbers_[slot]))->hash;
}

name* similarity_key_table::owner_at(std::size_t slot) const {
    if (tags_[slot] & ENTRY) return static_cast<xob_node*>(arena_record(numbers_[slot]))->name;
    return static_cast<similarity_record*>(arena_record(numbers_[slot]))->owner;
}

similarity_record* similarity_key_table::record_at(std::size_t slot, std::uint32_t hash,
                                                   std::size_t record_bytes) {
    if (!(tags_[slot] & ENTRY)) return static_cast<similarity_record*>(arena_record(numbers_[slot]));
    auto* first_entry = static_cast<xob_node*>(arena_record(numbers_[slot]));
    auto* record = static_cast<similarity_record*>(arena_alloc(record_bytes));
    *record = {hash, first_entry->name, first_entry};
    tags_[slot] = tag_of(hash);
    numbers_[slot] = arena_number(record);
    return record;
}

void similarity_key_table::add_owned(std::size_t slot, xob_node* first_entry, std::uint32_t hash) {
    // Up to three quarters full: linear probes stay short.
    if (!tags_ || (count_ + 1) * 4 > capacity() * 3) {
        rebuild(tags_ ? 2 * capacity() : 64);
        slot = NO_SLOT;
    }
    if (slot == NO_SLOT) {  // the key is absent: the first free slot of its probe sequence
        slot = hash & mask_;
        while (tags_[slot]) slot = (slot + 1) & mask_;
    }
    tags_[slot] = static_cast<std::uint8_t>(tag_of(hash) | ENTRY);
    numbers_[slot] = arena_number(first_entry);
    ++count_;
}

void similarity_key_table::prefetch_slot(std::uint32_t hash) const {
    if (!tags_) return;
    __builtin_prefetch(&tags_[hash & mask_]);
    __builtin_prefetch(&numbers_[hash & mask_]);
}

void similarity_key_table::rebuild(std::size_t capacity) {
    std::uint8_t* old_tags = tags_;
    std::uint32_t* old_numbers = numbers_;
    std::size_t old_capacity = this->capacity();
    auto* tags = static_cast<std::uint8_t*>(zeroed_table_alloc(capacity * SLOT_BYTES));
    auto* numbers = reinterpret_cast<std::uint32_t*>(tags + capacity);
    std::size_t mask = capacity - 1;
    // An entry's hash is made again from its owner's text, two cache misses
    // away, and each slot lands at a random place: a batch of slots asks for
    // all its entries, then all their names, then all the places, before it
    // uses the first, so that the misses overlap instead of adding up. The
    // old slots are read through hash_at and owner_at until the new ones
    // take over.
    constexpr std::size_t BATCH = 32;
    std::uint32_t hashes[BATCH];
    for (std::size_t start = 0; start < old_capacity; start += BATCH) {
        std::size_t count = std::min(BATCH, old_capacity - start);
        for (std::size_t i = 0; i < count; ++i)
            if (old_tags[start + i]) __builtin_prefetch(arena_record(old_numbers[start + i]));
        for (std::size_t i = 0; i < count; ++i)
            if (old_tags[start + i] & ENTRY) __builtin_prefetch(owner_at(start + i));
        for (std::size_t i = 0; i < count; ++i) {
            if (!old_tags[start + i]) continue;
            hashes[i] = hash_at(start + i);
            __builtin_prefetch(&tags[hashes[i] & mask]);
        }
        for (std::size_t i = 0; i < count; ++i) {
            if (!old_tags[start + i]) continue;
            std::size_t at = hashes[i] & mask;
            while (tags[at]) at = (at + 1) & mask;
            tags[at] = old_tags[start + i];
            numbers[at] = old_numbers[start + i];
        }
    }
    zeroed_table_free(old_tags, old_capacity * SLOT_BYTES);
    tags_ = tags;
    numbers_ = numbers;
    mask_ = mask;
}

similarity_tables similarity;


void check_similarity(name* identifier, xob_node* entry) {
    check_similarity_in(similarity, identifier, entry);
}

void check_similarity_in(similarity_tables& tables, name* identifier, xob_node* entry) {
    if (!identifier || !entry) return;
    // Every entry is bound to its identifier: a record keeps the entry alone.
    assert(entry->name == identifier);
    if (!tables.modes_read) read_focus_modes(tables);
    if (tables.visible) {
        check_with_visible(tables, identifier, entry);
        return;
    }
    if (void* known = similarity_keys_of(identifier, tables.generation)) {
        if (reinterpret_cast<std::uintptr_t>(known) & OWNS_ALL_KEYS) return;
        auto* note = static_cast<similarity_records_of_name*>(known);
        for (int table = 0; table < 3; ++table)
            if (note->records[table])
                register_entry(note->records[table], TABLE_RULES[table], identifier, entry);
        return;
    }
    const char* text = name_text(identifier);
    static key_text keys[3];
    std::uint32_t hashes[3];
    int first_table = keys_of_new_name(tables, text, std::strlen(text), keys, hashes);
    std::size_t free_slots[3] = {};
    bool absent[3] = {};
    similarity_record* records[3] = {};
    bool owns_all = true;
    for (int table = first_table; table < 3; ++table) {
        similarity_key_table& keyed = tables.by_key[table];
        std::size_t slot = slot_of_key(keyed, table, hashes[table], keys[table]);
        if (keyed.is_free(slot)) {
            absent[table] = true;
            free_slots[table] = slot;
            continue;
        }
        owns_all = false;
        // A key this name owns (entered in other tables before) changes nothing.
        if (keyed.owner_at(slot) == identifier) continue;
        records[table] = keyed.record_at(slot, hashes[table]);
        register_entry(records[table], TABLE_RULES[table], identifier, entry);
    }
    void* kept = reinterpret_cast<void*>(reinterpret_cast<std::uintptr_t>(entry) | OWNS_ALL_KEYS);
    if (!owns_all) {
        auto* note = static_cast<similarity_records_of_name*>(
            arena_alloc(sizeof(similarity_records_of_name)));
        for (int table = 0; table < 3; ++table) note->records[table] = records[table];
        kept = note;
    }
    for (int table = 0; table < 3; ++table)
        if (absent[table]) tables.by_key[table].add_owned(free_slots[table], entry, hashes[table]);
    set_similarity_keys(identifier, kept, tables.generation);
}
