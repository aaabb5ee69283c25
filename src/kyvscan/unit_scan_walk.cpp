#include "kyvscan/library_rules.h"
#include "kyvscan/clang_text.h"
#include "kyvscan/unit_scan.h"

namespace {


std::string storage_text(CX_StorageClass storage, int level) {
    switch (storage) {
    case CX_SC_Static: return "static";
    case CX_SC_Extern: return "extern";
    case CX_SC_Register: return "register";
    case CX_SC_Auto: return "auto";
    default: return level == 0 ? "extern" : "auto";
    }
}

// "static int f(int a, char *b)": the definition's head as written, from its types.
std::string function_head(CXCursor function) {
    std::string head;
    if (clang_Cursor_getStorageClass(function) == CX_SC_Static) head += "static ";
    CXType type = clang_getCursorType(function);
    std::string result = take_text(clang_getTypeSpelling(clang_getResultType(type)));
    head += result;
    if (!result.empty() && result.back() != '*') head += ' ';
    head += take_text(clang_getCursorSpelling(function));
    head += '(';
    int count = clang_Cursor_getNumArguments(function);
    for (int i = 0; i < count; ++i) {
        CXCursor parameter = clang_Cursor_getArgument(function, static_cast<unsigned>(i));
        std::string spelled = take_text(clang_getTypeSpelling(clang_getCursorType(parameter)));
        std::string name = take_text(clang_getCursorSpelling(parameter));
        if (i > 0) head += ", ";
        head += spelled;
        if (!name.empty()) {
            if (!spelled.empty() && spelled.back() != '*') head += ' ';
            head += name;
        }
    }
    if (type.kind == CXType_FunctionProto && clang_isFunctionTypeVariadic(type))
        head += count > 0 ? ", ..." : "...";
    else if (type.kind == CXType_FunctionProto && count == 0)
        head += "void";
    head += ')';
    return head;
}

std::string cursor_name(CXCursor cursor) { return take_text(clang_getCursorSpelling(cursor)); }

}  // namespace

void unit_scan::write_system_declaration(CXCursor cursor) {
    if (!system_uses_.count(decl_identity(cursor))) return;
    if (!written_system_.insert(decl_identity(cursor)).second) return;
    CXCursorKind kind = clang_getCursorKind(cursor);
    std::string name = take_text(clang_getCursorSpelling(cursor));
    if (name.empty() || !place(clang_getCursorLocation(cursor))) return;
    if (kind == CXCursor_FunctionDecl) {
        xob_position position = declaration_position(cursor);
        announce(position);
        writer_.function_declaration(name, storage_text(clang_Cursor_getStorageClass(cursor), 0),
                                     position);
    } else if (kind == CXCursor_VarDecl) {
        write_variable(cursor, 0);
    }
}

void unit_scan::write_variable(CXCursor cursor, int level) {
    std::string name = take_text(clang_getCursorSpelling(cursor));
    if (name.empty()) return;
    xob_position position = declaration_position(cursor);
    announce(position);
    CX_StorageClass storage = clang_Cursor_getStorageClass(cursor);
    std::string storage_name = storage_text(storage, level);
    // "extern" with an initialiser defines the object.
    if (storage == CX_SC_Extern && !clang_isCursorDefinition(cursor)) {
        writer_.declare(name, level, storage_name, position);
        return;
    }
    std::string indirection;
    int type = types_.number_of(clang_getCursorType(cursor), indirection);
    int scope;
    if (clang_getCursorKind(cursor) == CXCursor_ParmDecl)
        scope = 4;
    else if (level == 0)
        scope = storage == CX_SC_Static ? 2 : 0;
    else
        scope = storage == CX_SC_Static ? 3 : 1;
    writer_.define(name, level, storage_name, type, indirection, scope, position);
}

void unit_scan::write_reference(CXCursor cursor, use_mode mode) {
    CXCursor target = clang_getCursorReferenced(cursor);
    if (clang_Cursor_isNull(target)) return;
    CXCursorKind kind = clang_getCursorKind(target);
    bool function = kind == CXCursor_FunctionDecl;
    if (!function && kind != CXCursor_VarDecl && kind != CXCursor_ParmDecl) return;
    std::string name = take_text(clang_getCursorSpelling(target));
    if (name.empty()) return;
    CXSourceLocation location = clang_getCursorLocation(cursor);
    if (!place(location)) return;
    xob_position declared = declaration_position(target);
    xob_position used = position_of(location);
    announce(declared);
    announce(used);
    writer_.reference(use_mode_text(mode, function), name, declared, used);
    const library_rules& rules = *request_.rules;
    if (function && mode == use_mode::callee && rules.functions.count(name))
        writer_.trap("KYV_200_100", name, used);
    if (rules.names.count(name)) writer_.trap("KYV_200_50", name, used);
}

CXChildVisitResult unit_scan::visit(CXCursor cursor, CXCursor parent, CXClientData data) {
    auto* self = static_cast<unit_scan*>(data);
    while (self->frames_.size() > 1 && !clang_equalCursors(self->frames_.back().cursor, parent)) {
        self->leave(self->frames_.back());
        self->frames_.pop_back();
    }
    frame mine;
    mine.cursor = cursor;
    mine.kind = clang_getCursorKind(cursor);
    if (!self->enter(cursor, self->frames_.back(), mine)) return CXChildVisit_Continue;
    self->frames_.push_back(mine);
    return CXChildVisit_Recurse;
}

// A named declaration, the walk moved to it and its position given a number
// in the file; false for a nameless one or one the walk cannot reach.
bool unit_scan::placed_declaration(CXCursor cursor, std::string& name, xob_position& position) {
    name = cursor_name(cursor);
    if (name.empty() || !place(clang_getCursorLocation(cursor))) return false;
    position = declaration_position(cursor);
    announce(position);
    return true;
}

// Writes what `cursor` declares or uses; false when its children hold nothing to write.
bool unit_scan::enter(CXCursor cursor, frame& parent, frame& mine) {
    int index = parent.children++;
    mine.mode = child_use_mode(parent.cursor, parent.mode, index, cursor);
    mine.level = parent.level;
    switch (mine.kind) {
    case CXCursor_CompoundStmt:
        if (parent.function) {
            CXSourceRange extent = clang_getCursorExtent(cursor);
            parent.body_end = position_of(clang_getRangeEnd(extent));
            if (parent.body_end.column > 1) --parent.body_end.column;
            mine.level = 1;
        } else {
            mine.level = parent.level + 1;
        }
        return true;
    case CXCursor_ForStmt: mine.level = parent.level + 1; return true;
    case CXCursor_StructDecl:
    case CXCursor_UnionDecl:
    case CXCursor_EnumDecl:
        // "struct s { int a; } v;": libclang shows the definition again under
        // the declarator; its first showing has written the fields.
        return parent.kind != CXCursor_VarDecl && parent.kind != CXCursor_FieldDecl &&
               parent.kind != CXCursor_ParmDecl && parent.kind != CXCursor_FunctionDecl;
    case CXCursor_DeclRefExpr: write_reference(cursor, mine.mode); return false;
    case CXCursor_VarDecl:
        if (place(clang_getCursorLocation(cursor))) write_variable(cursor, parent.level);
        return true;
    case CXCursor_ParmDecl:
        if (parent.function && place(clang_getCursorLocation(cursor))) write_variable(cursor, 1);
        return false;
    case CXCursor_FunctionDecl: {
        std::string name;
        xob_position position;
        if (!placed_declaration(cursor, name, position)) return false;
        std::string storage = storage_text(clang_Cursor_getStorageClass(cursor), 0);
        if (!clang_isCursorDefinition(cursor)) {
            writer_.function_declaration(name, storage, position);
            return false;
        }
        writer_.begin_function(name, function_head(cursor), storage, position);
        layout_.begin_function();
        mine.function = true;
        mine.level = 1;
        mine.body_end = position;
        return true;
    }
    case CXCursor_TypedefDecl: {
        std::string name;
        xob_position position;
        if (!placed_declaration(cursor, name, position)) return false;
        std::string indirection;
        int base = types_.number_of(clang_getTypedefDeclUnderlyingType(cursor), indirection);
        int number = types_.add_typedef(cursor);
        writer_.typedef_name(name, parent.level, parent.level == 0 ? 0 : 1, number, base, indirection,
                             position);
        return false;
    }
    case CXCursor_FieldDecl: {
        std::string name;
        xob_position position;
        if (placed_declaration(cursor, name, position)) {
            std::string indirection;
            int type = types_.number_of(clang_getCursorType(cursor), indirection);
            writer_.field(name, types_.number_of_declaration(parent.cursor), type, indirection,
                          position);
        }
        return true;
    }
    case CXCursor_EnumConstantDecl: {
        std::string name;
        xob_position position;
        if (placed_declaration(cursor, name, position))
            writer_.enumerator(name, types_.number_of_declaration(parent.cursor), position);
        return true;
    }
    case CXCursor_TypeRef:
    case CXCursor_MemberRef:
    case CXCursor_LabelRef:
    case CXCursor_IntegerLiteral:
    case CXCursor_FloatingLiteral:
    case CXCursor_StringLiteral:
    case CXCursor_CharacterLiteral: return false;
    default: return !clang_isAttribute(mine.kind);
    }
}

void unit_scan::leave(frame& done) {
    if (!done.function) return;
    CXFile file = nullptr;
    unsigned line = 0, column = 0, offset = 0;
    clang_getExpansionLocation(clang_getRangeEnd(clang_getCursorExtent(done.cursor)), &file, &line,
                               &column, &offset);
    if (source_file_info* info = file_info(file)) {
        int inclusion = layout_.inclusion_for(info);
        if (inclusion >= 0) layout_.move_to(inclusion, static_cast<int>(line) + 1);
    }
    layout_.end_function();
    announce(done.body_end);
    writer_.end_function(done.body_end);
}

void unit_scan::walk_declaration(CXCursor cursor) {
    frame root;
    root.cursor = clang_getTranslationUnitCursor(tu_);
    root.kind = CXCursor_TranslationUnit;
    frames_.assign(1, root);
    visit(cursor, root.cursor, this);
    if (frames_.size() > 1) clang_visitChildren(cursor, visit, this);
    while (frames_.size() > 1) {
        leave(frames_.back());
        frames_.pop_back();
    }
}

void unit_scan::walk_top_level() {
    std::vector<CXCursor> top;
    clang_visitChildren(
        clang_getTranslationUnitCursor(tu_),
        [](CXCursor cursor, CXCursor, CXClientData data) {
            if (clang_isDeclaration(clang_getCursorKind(cursor)))
                static_cast<std::vector<CXCursor>*>(data)->push_back(cursor);
            return CXChildVisit_Continue;
        },
        &top);
    for (CXCursor cursor : top) {
        CXSourceLocation location = clang_getCursorLocation(cursor);
        CXFile file = nullptr;
        unsigned line = 0, column = 0, offset = 0;
        clang_getExpansionLocation(location, &file, &line, &column, &offset);
        if (!file) continue;
        if (clang_Location_isInSystemHeader(location))
            write_system_declaration(cursor);
        else
            walk_declaration(cursor);
    }
}

void unit_scan::run() {
    build_inclusions();
    collect_preprocessing();
    collect_system_uses();
    collect_diagnostics();
    collect_justifications();
    CXFile main_file = clang_getFile(tu_, request_.source.c_str());
    long long date = main_file ? static_cast<long long>(clang_getFileTime(main_file)) : 0;
    writer_.begin_document(request_.xob_name, date, request_.command);
    layout_.start();
    if (layout_.inclusion_count() > 0) announced_.insert(layout_.file_of(0)->filenum);
    walk_top_level();
    layout_.finish();
    writer_.end_document();
}

