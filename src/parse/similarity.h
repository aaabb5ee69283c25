// Identifier similarity checks: every identifier the xob reader enters is
// compared with all names entered before in the run, across xob files,
// through three tables keyed by a reduced form of the name. Each confusable
// pair found becomes a trap naming the earlier and the new identifier.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>


struct name;
struct xob_node;
class visible_similarity;

// What the checks keep for a name, made when it is first entered: most
// names are unique and own all three keys (they were first to produce
// them), and keep only their first entry, tagged with OWNS_ALL_KEYS; a key
// a name owns needs nothing more until an entry of another name meets it,
// as its newest entry is the owner's first. A name that does not own all
// three keeps this note: the record of each key it does not own (null for
// the keys it owns). A name shorter than the significant length keeps no
// prefix key: no other name can have it.
struct similarity_records_of_name {
    struct similarity_record* records[3];
};
constexpr std::uintptr_t OWNS_ALL_KEYS = 1;

// A key that an entry of another name than its owner has met. The key
// itself is not kept: it is the key of the owner's text, rebuilt when a
// search finds a record with the same hash. Only the entry registered last
// under the key is ever paired with a new one, so it is the only one kept.
struct similarity_record {
    std::uint32_t hash;      // of the key
    name* owner;             // the name that produced the key first
    xob_node* newest_entry;  // its name is the name registered last
};

// The keys of one table: open addressing over a byte and a number a slot.
// The byte (0 for a free slot) says whether the slot holds the owner's first
// entry (while no entry of another name has met the key) or the key's
// record, with six bits of the key's hash; the number is the entry's or the
// record's arena number. A probe reads the record only where the bits match.
class similarity_key_table {
public:
    static constexpr std::size_t NO_SLOT = SIZE_MAX;  // a table without slots yet

    explicit similarity_key_table(int table) : table_(table) {}
    similarity_key_table(const similarity_key_table&) = delete;
    similarity_key_table& operator=(const similarity_key_table&) = delete;
    ~similarity_key_table();

    // The slot of the key with this hash whose owner's text `same_key` says
    // has the key, or the free slot where it would go (NO_SLOT when the table
    // has none yet).
    template <class SameKey>
    std::size_t find(std::uint32_t hash, SameKey same_key) const;
    bool is_free(std::size_t slot) const { return slot == NO_SLOT || !tags_[slot]; }
    // The owner and the record of a slot find gave for the key of this hash;
    // a key still held by its owner's first entry gets a record of its own
    // (newest entry: the owner's first), of record_bytes zeroed bytes.
    name* owner_at(std::size_t slot) const;
    similarity_record* record_at(std::size_t slot, std::uint32_t hash,
                                 std::size_t record_bytes = sizeof(similarity_record));
    // Enters a key of this hash, produced first by this entry, in the free
    // slot find gave (the slot may move: the table grows first when it must).
    void add_owned(std::size_t slot, xob_node* first_entry, std::uint32_t hash);
    void prefetch_slot(std::uint32_t hash) const;

private:
    static constexpr std::uint8_t OCCUPIED = 0x80;
    static constexpr std::uint8_t ENTRY = 0x40;  // the slot holds the owner's first entry
    static constexpr std::size_t SLOT_BYTES = sizeof(std::uint8_t) + sizeof(std::uint32_t);
    // From the high bits, which the slot's index leaves out.
    static std::uint8_t tag_of(std::uint32_t hash) { return static_cast<std::uint8_t>(OCCUPIED | hash >> 26); }
    // The key's hash: kept in a record, made again from the owner's text
    // for an entry (only when the table grows).
    std::uint32_t hash_at(std::size_t slot) const;
    std::size_t capacity() const { return tags_ ? mask_ + 1 : 0; }
    void rebuild(std::size_t capacity);

    int table_;  // which of the three
    std::uint8_t* tags_ = nullptr;       // capacity bytes, then the numbers, in one allocation
    std::uint32_t* numbers_ = nullptr;
    std::size_t mask_ = 0;
    std::size_t count_ = 0;
};

// The tables of one run. Keyed by the name cut to significant_length
// (KYV_50_10), by the name with every byte replaced through confusion_map
// (KYV_50_11), and by the name with each run of one repeated character
// reduced to one (KYV_50_12). Their order is never observed.
// The tables in the focused mode "visible" pair names through `visible`
// instead: their records are key groups (similarity_visible.h).
struct similarity_tables {
    similarity_tables();
    ~similarity_tables();
    similarity_key_table by_key[3];
    std::uint32_t generation;  // distinct for every instance made in the process
    bool modes_read = false;   // the configuration is read before the first check
    bool in_visible_mode[3] = {};
    std::unique_ptr<visible_similarity> visible;  // while a table is in the mode
};

// The run's tables.
extern similarity_tables similarity;

// Called by the xob reader right after a definition, declaration, typedef,
// function declaration or function is entered: identifier is the entry's
// interned name, entry the node the enter operation returned (new or found).
void check_similarity(name* identifier, xob_node* entry);
// The same against tables of the caller's.
void check_similarity_in(similarity_tables& tables, name* identifier, xob_node* entry);

template <class SameKey>
std::size_t similarity_key_table::find(std::uint32_t hash, SameKey same_key) const {
    if (!tags_) return NO_SLOT;
    std::uint8_t tag = tag_of(hash);
    for (std::size_t at = hash & mask_;; at = (at + 1) & mask_) {
        std::uint8_t here = tags_[at];
        if (!here) return at;
        if ((here & ~ENTRY) != tag) continue;
        // An entry keeps no hash: the key of its owner's text is compared.
        if (!(here & ENTRY) && hash_at(at) != hash) continue;
        if (same_key(owner_at(at))) return at;
    }
}
