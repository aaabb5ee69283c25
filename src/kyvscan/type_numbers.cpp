#include "kyvscan/type_numbers.h"

namespace {

int basic_number(CXTypeKind kind) {
    switch (kind) {
    case CXType_Void: return -22;
    case CXType_Bool: return -21;
    case CXType_Char_U:
    case CXType_Char_S: return -5;
    case CXType_SChar: return -6;
    case CXType_UChar: return -7;
    case CXType_Short: return -8;
    case CXType_UShort: return -9;
    case CXType_Int: return -10;
    case CXType_UInt: return -11;
    case CXType_Long: return -12;
    case CXType_ULong: return -13;
    case CXType_LongLong:
    case CXType_Int128: return -14;
    case CXType_ULongLong:
    case CXType_UInt128: return -15;
    case CXType_Half:
    case CXType_Float16:
    case CXType_Float: return -16;
    case CXType_Double: return -17;
    case CXType_LongDouble:
    case CXType_Float128: return -18;
    case CXType_Complex: return -20;
    default: return -10;
    }
}

}  // namespace

int type_numbering::add_typedef(CXCursor typedef_cursor) {
    int number = next_++;
    numbers_[typedef_cursor.data[0]] = number;
    CXType named = clang_getTypedefDeclUnderlyingType(typedef_cursor);
    if (named.kind == CXType_Elaborated) named = clang_Type_getNamedType(named);
    if (named.kind == CXType_Record || named.kind == CXType_Enum) {
        CXCursor declaration = clang_getTypeDeclaration(named);
        if (!numbers_.count(declaration.data[0])) numbers_[declaration.data[0]] = number;
    }
    return number;
}

int type_numbering::number_of_declaration(CXCursor declaration) const {
    auto found = numbers_.find(declaration.data[0]);
    if (found != numbers_.end()) return found->second;
    switch (clang_getCursorKind(declaration)) {
    case CXCursor_UnionDecl: return -2;
    case CXCursor_EnumDecl: return -4;
    default: return -1;
    }
}

int type_numbering::number_of(CXType type, std::string& indirection) const {
    // Bounded: a type nests no deeper than its declarator, and a typedef
    // cycle cannot exist, but a bound costs nothing.
    for (int step = 0; step < 256; ++step) {
        switch (type.kind) {
        case CXType_Pointer:
        case CXType_BlockPointer:
            indirection += '*';
            type = clang_getPointeeType(type);
            continue;
        case CXType_ConstantArray:
        case CXType_IncompleteArray:
        case CXType_VariableArray:
        case CXType_DependentSizedArray:
            indirection += '[';
            type = clang_getArrayElementType(type);
            continue;
        case CXType_Elaborated: type = clang_Type_getNamedType(type); continue;
        case CXType_Attributed: type = clang_Type_getModifiedType(type); continue;
        case CXType_Typedef: {
            CXCursor declaration = clang_getTypeDeclaration(type);
            auto found = numbers_.find(declaration.data[0]);
            if (found != numbers_.end()) return found->second;
            type = clang_getTypedefDeclUnderlyingType(declaration);
            continue;
        }
        case CXType_Record:
        case CXType_Enum: return number_of_declaration(clang_getTypeDeclaration(type));
        case CXType_FunctionProto:
        case CXType_FunctionNoProto:
            indirection += '(';
            type = clang_getResultType(type);
            continue;
        case CXType_Invalid:
        case CXType_Unexposed: return -10;
        default: return basic_number(type.kind);
        }
    }
    return -10;
}
