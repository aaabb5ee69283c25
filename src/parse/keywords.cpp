#include "parse/keywords.h"

#include <iterator>

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

}  // namespace

keyword_table<element_keyword> element_table(vocabulary vocab) {
    if (vocab == vocabulary::configuration) return {conf_elements, std::size(conf_elements)};
    return {xob_elements, std::size(xob_elements)};
}

keyword_table<attribute_keyword> attribute_table(vocabulary vocab) {
    if (vocab == vocabulary::configuration) return {conf_attributes, std::size(conf_attributes)};
    return {xob_attributes, std::size(xob_attributes)};
}

int element_kind(const char* letters, std::size_t length, tag_form form) {
    const element_keyword* entry = find_keyword(element_table(active_vocabulary), letters, length);
    switch (form) {
        case tag_form::open: return entry ? entry->open_kind : STAG;
        case tag_form::close: return entry ? entry->close_kind : CTAG;
        case tag_form::complete_close: break;
    }
    return entry ? entry->complete_close_kind : ZTAG;
}

int attribute_kind(const char* letters, std::size_t length) {
    const attribute_keyword* entry =
        find_keyword(attribute_table(active_vocabulary), letters, length);
    return entry ? entry->kind : IDNT;
}
