// Types as an xob file names them: a negative number for a basic type
// (-1 struct, -2 union, -4 enum, -5 char ... -22 void, as kyvld's
// cross-reference lists them) or the number of a typedef of the same xob
// file, numbered from 0 in the order they are written; pointer and array
// levels go into the indirection text ("*" and "[", outermost first).
#pragma once
#include <clang-c/Index.h>

#include <string>
#include <unordered_map>

class type_numbering {
public:
    // Gives the typedef its number (and the record or enumeration it names,
    // for the fields and constants written after it).
    int add_typedef(CXCursor typedef_cursor);
    int number_of(CXType type, std::string& indirection) const;
    // The number of a record or enumeration: its typedef's, else the basic kind.
    int number_of_declaration(CXCursor declaration) const;

private:
    std::unordered_map<const void*, int> numbers_;
    int next_ = 0;
};
