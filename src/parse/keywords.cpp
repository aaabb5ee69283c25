#include "parse/keywords.h"

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

char fold(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Compares letters[0..length) with a lower-case entry, case folded: <0, 0, >0.
int compare_folded(const char* letters, std::size_t length, const char* entry) {
    for (std::size_t i = 0; i < length; ++i) {
        unsigned char a = static_cast<unsigned char>(fold(letters[i]));
        unsigned char b = static_cast<unsigned char>(entry[i]);
        if (b == '\0' || a != b) return b == '\0' ? 1 : (a < b ? -1 : 1);
    }
    return entry[length] == '\0' ? 0 : -1;
}

template <class Entry>
const Entry* find_keyword(keyword_table<Entry> table, const char* letters, std::size_t length) {
    std::size_t low = 0, high = table.count;
    while (low < high) {
        std::size_t middle = low + (high - low) / 2;
        int order = compare_folded(letters, length, table.entries[middle].name);
        if (order == 0) return &table.entries[middle];
        if (order < 0)
            high = middle;
        else
            low = middle + 1;
    }
    return nullptr;
}

// A direct-mapped index in front of the binary search: every attribute and
// element name of a document goes through here, and nearly all are keywords.
constexpr std::size_t INDEX_SLOTS = 256;

std::size_t index_slot(const char* letters, std::size_t length) {
    if (length == 0) return 0;
    unsigned first = static_cast<unsigned char>(fold(letters[0]));
    unsigned second = static_cast<unsigned char>(fold(letters[length > 1 ? 1 : 0]));
    unsigned last = static_cast<unsigned char>(fold(letters[length - 1]));
    return (length * 131 + first * 31 + second * 7 + last * 3) % INDEX_SLOTS;
}

template <class Entry>
struct keyword_index {
    explicit keyword_index(keyword_table<Entry> table) : table(table) {
        for (std::size_t i = 0; i < table.count; ++i) {
            const char* name = table.entries[i].name;
            std::size_t slot = index_slot(name, std::char_traits<char>::length(name));
            if (!slots[slot]) slots[slot] = &table.entries[i];  // later ones: the search finds them
        }
    }

    const Entry* find(const char* letters, std::size_t length) const {
        const Entry* guess = slots[index_slot(letters, length)];
        if (guess && compare_folded(letters, length, guess->name) == 0) return guess;
        return find_keyword(table, letters, length);
    }

    keyword_table<Entry> table;
    const Entry* slots[INDEX_SLOTS] = {};
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
