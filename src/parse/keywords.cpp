#include "parse/keywords.h"

#include <cstdint>
#include <cstring>
#include <iterator>
#include <string>

namespace {

const element_keyword xob_elements[] = {
    {"declare", STAGDECL, CTAGDECL, ZTAGDECL},
    {"define", STAGDEF, CTAGDEF, ZTAGDEF},
    {"enum", STAGENU, CTAGENU, ZTAGENU},
    {"field", STAGFIELD, CTAGFIELD, ZTAGFIELD},
    {"filename", STAGFIL, CTAGFIL, ZTAGFIL},
    {"function", STAGFCT, CTAGFCT, ZTAGFCT},
    {"justify", STAGJUS, CTAGJUS, ZTAGJUS},
    {"object", STAGOBJ, CTAGOBJ, ZTAGOBJ},
    {"position", STAGPOS, CTAGPOS, ZTAGPOS},
    {"reference", STAGREF, CTAGREF, ZTAGREF},
    {"sourcefile", STAGSRC, CTAGSRC, ZTAGSRC},
    {"trap", STAGTRAP, CTAGTRAP, ZTAGTRAP},
    {"typedef", STAGTYP, CTAGTYP, ZTAGTYP},
    {"xobj", STAGXOB, CTAGXOB, ZTAGXOB},
};

const element_keyword conf_elements[] = {
    {"group", STAGGROUP, CTAGGROUP, ZTAGGROUP},
    {"rule", STAGRULE, CTAGRULE, ZTAGRULE},
};

const attribute_keyword xob_attributes[] = {
    {"all", AALL},           {"base", AOLDNUM},     {"cle", ACLE},
    {"command", ACOMMAND},   {"comment", ACOMMENT}, {"date", ADATE},
    {"enum", AENUM},         {"filename", AFILENAME}, {"filenum", AFILENUM},
    {"fulldef", FULLDEF},    {"fullname", AFULLNAME}, {"indirection", AINDIR},
    {"level", ALEVEL},       {"line", ALINE},       {"mode", OMODE},
    {"name", ONAME},         {"nbline", ANBLINE},   {"param", TRAPPARAM},
    {"row", AROW},           {"scope", ASCOPE},     {"storageclass", ASTORAGE},
    {"struct", ASTRUCT},     {"sysinclude", ASYSINCLUDE}, {"type", ANEWNUM},
    {"version", AVERSION},
};

const attribute_keyword conf_attributes[] = {
    {"errmsg", ERRMSG}, {"label", LABEL},         {"name", NAME},
    {"param", PARAM},   {"repeat", REPEAT},       {"severity", SEVERITY},
};

// A name folded to lower case as two words: its first and last eight bytes
// (four for a name shorter than eight; three single bytes for one shorter
// than four). With the length these words are the whole name. Every keyword
// is lower-case letters, and a byte c matches a lower-case letter e case
// folded exactly when (c | 0x20) == e, so or-ing 0x20 into every byte folds
// without a branch and never makes another byte match a keyword.
struct folded_name {
    std::uint64_t head;
    std::uint64_t tail;
};

folded_name fold_name(const char* letters, std::size_t length) {
    constexpr std::uint64_t CASE_BITS = 0x2020202020202020ULL;
    folded_name folded;
    if (length >= 8) {
        std::memcpy(&folded.head, letters, 8);
        std::memcpy(&folded.tail, letters + length - 8, 8);
    } else if (length >= 4) {
        std::uint32_t head, tail;
        std::memcpy(&head, letters, 4);
        std::memcpy(&tail, letters + length - 4, 4);
        folded.head = head;
        folded.tail = tail;
    } else {
        auto byte = [&](std::size_t at) { return static_cast<std::uint64_t>(static_cast<unsigned char>(letters[at])); };
        folded.head = byte(0) | byte(length / 2) << 8 | byte(length - 1) << 16;
        folded.tail = 0;
    }
    folded.head |= CASE_BITS;
    folded.tail |= CASE_BITS;
    return folded;
}

// Every attribute and element name of a document is looked up here, and
// nearly all are keywords: an open-addressing table over the folded words,
// so a look-up costs a few loads and one comparison.
constexpr std::size_t LONGEST_KEYWORD = 16;
constexpr std::size_t INDEX_SLOTS = 64;  // more than twice the largest table

std::size_t index_slot(const folded_name& folded, std::size_t length) {
    std::uint64_t mixed = (folded.head * 0x9E3779B97F4A7C15ULL) ^ (folded.tail * 0xC2B2AE3D27D4EB4FULL);
    return static_cast<std::size_t>((mixed ^ (mixed >> 29)) + length) % INDEX_SLOTS;
}

template <class Entry>
struct keyword_index {
    struct slot {
        folded_name folded;
        std::size_t length;  // 0 for a free slot
        const Entry* entry;
    };

    explicit keyword_index(keyword_table<Entry> table) {
        for (std::size_t i = 0; i < table.count; ++i) {
            const char* name = table.entries[i].name;
            std::size_t length = std::char_traits<char>::length(name);
            folded_name folded = fold_name(name, length);
            std::size_t at = index_slot(folded, length);
            while (slots[at].length) at = (at + 1) % INDEX_SLOTS;
            slots[at] = {folded, length, &table.entries[i]};
        }
    }

    const Entry* find(const char* letters, std::size_t length) const {
        if (length == 0 || length > LONGEST_KEYWORD) return nullptr;
        folded_name folded = fold_name(letters, length);
        for (std::size_t at = index_slot(folded, length);; at = (at + 1) % INDEX_SLOTS) {
            const slot& here = slots[at];
            if (!here.length) return nullptr;
            if (here.length == length && here.folded.head == folded.head &&
                here.folded.tail == folded.tail)
                return here.entry;
        }
    }

    slot slots[INDEX_SLOTS] = {};
};

}  // namespace

keyword_table<element_keyword> element_table(vocabulary vocab) {
    if (vocab == vocabulary::configuration) return {conf_elements, std::size(conf_elements)};
    return {xob_elements, std::size(xob_elements)};
}

keyword_table<attribute_keyword> attribute_table(vocabulary vocab) {
    if (vocab == vocabulary::configuration) return {conf_attributes, std::size(conf_attributes)};
    return {xob_attributes, std::size(xob_attributes)};
}

int element_kind(const char* letters, std::size_t length, tag_form form, vocabulary vocab) {
    static const keyword_index<element_keyword> xob_index(element_table(vocabulary::xob));
    static const keyword_index<element_keyword> conf_index(element_table(vocabulary::configuration));
    const element_keyword* entry = (vocab == vocabulary::xob ? xob_index : conf_index)
                                       .find(letters, length);
    switch (form) {
        case tag_form::open: return entry ? entry->open_kind : STAG;
        case tag_form::close: return entry ? entry->close_kind : CTAG;
        case tag_form::complete_close: break;
    }
    return entry ? entry->complete_close_kind : ZTAG;
}

int attribute_kind(const char* letters, std::size_t length, vocabulary vocab) {
    static const keyword_index<attribute_keyword> xob_index(attribute_table(vocabulary::xob));
    static const keyword_index<attribute_keyword> conf_index(
        attribute_table(vocabulary::configuration));
    const attribute_keyword* entry =
        (vocab == vocabulary::xob ? xob_index : conf_index).find(letters, length);
    return entry ? entry->kind : IDNT;
}
