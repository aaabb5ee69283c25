#include "kyvscan/use_modes.h"

namespace {

bool named_bare(CXCursorKind kind) {
    return kind == CXCursor_DeclRefExpr || kind == CXCursor_MemberRefExpr ||
           kind == CXCursor_ParenExpr || kind == CXCursor_ArraySubscriptExpr;
}

// "&x" has the type "pointer to the type of x"; "++x" the type of x.
bool takes_address(CXCursor unary, CXCursor operand) {
    CXType result = clang_getCanonicalType(clang_getCursorType(unary));
    if (result.kind != CXType_Pointer) return false;
    CXType target = clang_getCanonicalType(clang_getPointeeType(result));
    CXType named = clang_getCanonicalType(clang_getCursorType(operand));
    return clang_equalTypes(target, named) != 0;
}

}  // namespace

use_mode child_use_mode(CXCursor parent, use_mode parent_mode, int index, CXCursor child) {
    CXCursorKind kind = clang_getCursorKind(child);
    switch (clang_getCursorKind(parent)) {
    case CXCursor_BinaryOperator:
        return index == 0 && named_bare(kind) ? use_mode::write : use_mode::read;
    case CXCursor_CompoundAssignOperator:
        return index == 0 ? use_mode::readwrite : use_mode::read;
    case CXCursor_UnaryOperator:
        if (!named_bare(kind)) return use_mode::read;
        return takes_address(parent, child) ? use_mode::address : use_mode::readwrite;
    case CXCursor_CallExpr: return index == 0 ? use_mode::callee : use_mode::read;
    case CXCursor_ParenExpr:
    case CXCursor_MemberRefExpr: return parent_mode;
    case CXCursor_UnexposedExpr:
        return parent_mode == use_mode::callee ? use_mode::callee : use_mode::read;
    default: return use_mode::read;
    }
}

const char* use_mode_text(use_mode mode, bool names_function) {
    if (names_function) return mode == use_mode::callee ? "call" : "address";
    switch (mode) {
    case use_mode::write: return "write";
    case use_mode::readwrite: return "readwrite";
    case use_mode::address: return "address";
    default: return "read";
    }
}
