// Keyword tables of the two vocabularies: element names with their three tag
// forms and attribute names, each table sorted by lower-case name.
#pragma once
#include <cstddef>

#include "parse/lexer.h"

// The three forms in which an element name stands in a tag.
enum class tag_form {
    open,            // <name
    close,           // </name, its > still to come
    complete_close,  // </name>
};

struct element_keyword {
    const char* name;  // lower case
    int open_kind;
    int close_kind;
    int complete_close_kind;
};

struct attribute_keyword {
    const char* name;  // lower case
    int kind;
};

template <class Entry>
struct keyword_table {
    const Entry* entries;
    std::size_t count;
};

keyword_table<element_keyword> element_table(vocabulary vocab);
keyword_table<attribute_keyword> attribute_table(vocabulary vocab);

// Token kind of the element name `letters` (not NUL-terminated) in the given
// form, looked up without regard to case in the vocabulary; STAG, CTAG or
// ZTAG for a name that is not in the table.
int element_kind(const char* letters, std::size_t length, tag_form form, vocabulary vocab);

// Token kind of an attribute name in the vocabulary; IDNT when unknown.
int attribute_kind(const char* letters, std::size_t length, vocabulary vocab);
