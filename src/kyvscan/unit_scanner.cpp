#include "kyvscan/unit_scanner.h"

#include <unistd.h>

#include <map>
#include <set>
#include <memory>
#include <tuple>
#include <unordered_map>
#include <unordered_set>

#include "kyvscan/clang_text.h"
#include "kyvscan/content_hash.h"
#include "kyvscan/justify_comments.h"
#include "kyvscan/library_rules.h"
#include "kyvscan/paths.h"
#include "kyvscan/source_layout.h"
#include "kyvscan/type_numbers.h"
#include "kyvscan/use_modes.h"
#include "kyvscan/xob_text.h"

namespace {

using file_key = std::tuple<unsigned long long, unsigned long long, unsigned long long>;

// A declaration as libclang names it: the address of clang's own record.
const void* decl_identity(CXCursor cursor) { return cursor.data[0]; }

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

class unit_scan {
public:
    unit_scan(CXTranslationUnit tu, const unit_request& request, unit_result& result)
        : tu_(tu), request_(request), result_(result), writer_(result.xob), layout_(writer_) {}

    void run();

private:
    struct frame {
        CXCursor cursor;
        CXCursorKind kind;
        int level = 0;
        use_mode mode = use_mode::read;
        int children = 0;
        bool function = false;  // a function definition whose element is open
        xob_position body_end;
    };

    source_file_info* file_info(CXFile file);
    source_file_info* presumed_file(const std::string& name, const source_file_info* physical);
    xob_position position_of(CXSourceLocation location, source_file_info** physical = nullptr);
    xob_position declaration_position(CXCursor declaration);
    bool place(CXSourceLocation location);
    void announce(const xob_position& position);

    void build_inclusions();
    void collect_preprocessing();
    void collect_system_uses();
    void collect_diagnostics();
    void collect_justifications();
    void hold_trap(CXSourceLocation location, const char* rule, const std::string& text);

    void walk_top_level();
    void walk_declaration(CXCursor cursor);
    static CXChildVisitResult visit(CXCursor cursor, CXCursor parent, CXClientData data);
    bool enter(CXCursor cursor, frame& parent, frame& mine);
    void leave(frame& done);
    void write_system_declaration(CXCursor cursor);
    void write_variable(CXCursor cursor, int level);
    void write_reference(CXCursor cursor, use_mode mode);

    CXTranslationUnit tu_;
    const unit_request& request_;
    unit_result& result_;
    xob_writer writer_;
    source_layout layout_;

    std::vector<std::unique_ptr<source_file_info>> files_;
    std::map<file_key, source_file_info*> file_by_key_;
    std::map<std::string, source_file_info*> file_by_name_;  // full names
    std::map<std::string, source_file_info*> presumed_;      // #line names
    std::unordered_set<int> announced_;
    std::unordered_map<const void*, xob_position> declaration_positions_;
    std::map<std::tuple<int, int, int>, std::string> used_positions_;
    std::unordered_set<const void*> system_uses_;
    std::unordered_set<const void*> written_system_;
    type_numbering types_;
    std::vector<frame> frames_;
    std::set<std::pair<const source_file_info*, int>> entered_includes_;  // (includer, line)
    std::vector<CXCursor> directives_;  // #include directives of project files
};

source_file_info* unit_scan::file_info(CXFile file) {
    if (!file) return nullptr;
    CXFileUniqueID id;
    file_key key{0, 0, 0};
    if (clang_getFileUniqueID(file, &id) == 0) key = file_key{id.data[0], id.data[1], id.data[2]};
    auto found = file_by_key_.find(key);
    if (found != file_by_key_.end()) return found->second;
    auto info = std::make_unique<source_file_info>();
    std::string real = take_text(clang_File_tryGetRealPathName(file));
    std::string spelled = take_text(clang_getFileName(file));
    info->full_name = normal_path(request_.directory, real.empty() ? spelled : real);
    info->base_name = path_base_name(info->full_name);
    info->date = static_cast<long long>(clang_getFileTime(file));
    std::size_t size = 0;
    const char* contents = clang_getFileContents(tu_, file, &size);
    info->content_hash = content_hash(contents ? contents : "", contents ? size : 0);
    info->system = clang_Location_isInSystemHeader(clang_getLocation(tu_, file, 1, 1)) != 0;
    info->filenum = static_cast<int>(files_.size()) + 1;
    info->spelled_name = spelled;
    source_file_info* raw = info.get();
    files_.push_back(std::move(info));
    file_by_key_[key] = raw;
    file_by_name_.emplace(raw->full_name, raw);
    result_.files_read.emplace_back(raw->full_name, raw->content_hash);
    return raw;
}

// A file named by #line: a file of the unit when the name resolves to one,
// else a file of its own, written as a `filename` element before its first use.
source_file_info* unit_scan::presumed_file(const std::string& name,
                                           const source_file_info* physical) {
    auto found = presumed_.find(name);
    if (found != presumed_.end()) return found->second;
    std::string full = normal_path(request_.directory, name);
    source_file_info* info;
    auto known = file_by_name_.find(full);
    if (known != file_by_name_.end()) {
        info = known->second;
    } else {
        auto made = std::make_unique<source_file_info>();
        made->full_name = full;
        made->base_name = path_base_name(full);
        made->system = physical->system;
        made->filenum = static_cast<int>(files_.size()) + 1;
        made->spelled_name = name;
        info = made.get();
        files_.push_back(std::move(made));
        file_by_name_.emplace(full, info);
    }
    presumed_[name] = info;
    return info;
}

xob_position unit_scan::position_of(CXSourceLocation location, source_file_info** physical) {
    CXFile file = nullptr;
    unsigned line = 0, column = 0, offset = 0;
    clang_getExpansionLocation(location, &file, &line, &column, &offset);
    source_file_info* info = file_info(file);
    if (physical) *physical = info;
    if (!info) return {};
    CXString presumed_name;
    unsigned presumed_line = 0, presumed_column = 0;
    clang_getPresumedLocation(location, &presumed_name, &presumed_line, &presumed_column);
    std::string name = take_text(presumed_name);
    int filenum = info->filenum;
    if (!name.empty() && name != info->spelled_name) filenum = presumed_file(name, info)->filenum;
    return {filenum, static_cast<int>(presumed_line), static_cast<int>(presumed_column)};
}

// Declarations written by one macro use share its position; each gets a
// column of its own on that line, so that kyvld keeps them apart. The same
// name at the same position is the same declaration (a header read twice).
xob_position unit_scan::declaration_position(CXCursor declaration) {
    const void* identity = decl_identity(declaration);
    auto found = declaration_positions_.find(identity);
    if (found != declaration_positions_.end()) return found->second;
    xob_position position = position_of(clang_getCursorLocation(declaration));
    std::string name = take_text(clang_getCursorSpelling(declaration));
    for (;;) {
        auto key = std::make_tuple(position.filenum, position.line, position.column);
        auto used = used_positions_.find(key);
        if (used == used_positions_.end()) {
            used_positions_.emplace(key, name);
            break;
        }
        if (used->second == name) break;
        ++position.column;
    }
    declaration_positions_.emplace(identity, position);
    return position;
}

void unit_scan::announce(const xob_position& position) {
    if (position.filenum <= 0 || announced_.count(position.filenum)) return;
    announced_.insert(position.filenum);
    const source_file_info* info = files_[static_cast<std::size_t>(position.filenum - 1)].get();
    if (!info->opened) writer_.file_name(info->full_name, info->system, info->filenum);
}

bool unit_scan::place(CXSourceLocation location) {
    CXFile file = nullptr;
    unsigned line = 0, column = 0, offset = 0;
    clang_getExpansionLocation(location, &file, &line, &column, &offset);
    source_file_info* info = file_info(file);
    if (!info) return false;
    int inclusion = layout_.inclusion_for(info);
    if (inclusion >= 0) layout_.move_to(inclusion, static_cast<int>(line));
    return true;
}

// The inclusion tree from the files libclang entered, in the order it
// entered them (each with the depth of its inclusion), then the inclusions
// it skipped (a guarded header again), from the #include directives.
void unit_scan::build_inclusions() {
    struct entered {
        CXFile file;
        std::vector<CXSourceLocation> stack;
    };
    std::vector<entered> files;
    clang_getInclusions(
        tu_,
        [](CXFile file, CXSourceLocation* stack, unsigned depth, CXClientData data) {
            static_cast<std::vector<entered>*>(data)->push_back(
                {file, std::vector<CXSourceLocation>(stack, stack + depth)});
        },
        &files);
    std::vector<int> last_at_depth;
    for (const entered& item : files) {
        source_file_info* info = file_info(item.file);
        if (!info) continue;
        std::size_t depth = item.stack.size();
        int parent = -1;
        int line = 0;
        if (layout_.inclusion_count() > 0) {
            if (depth == 0) depth = 1;
            if (depth > last_at_depth.size()) depth = last_at_depth.size();
            parent = last_at_depth[depth - 1];
            if (!item.stack.empty()) {
                CXFile includer = nullptr;
                unsigned include_line = 0, column = 0, offset = 0;
                clang_getExpansionLocation(item.stack[0], &includer, &include_line, &column, &offset);
                line = static_cast<int>(include_line);
            }
        } else {
            depth = 0;
        }
        int index = layout_.add_inclusion(info, parent, line);
        last_at_depth.resize(depth + 1);
        last_at_depth[depth] = index;
        if (parent >= 0) entered_includes_.insert({layout_.file_of(parent), line});
    }
}

// #include directives (for the inclusions libclang skipped, and the header
// rule) and macro uses (the macro and name rules) of project files: the
// preprocessing record lists them as children of the unit.
void unit_scan::collect_preprocessing() {
    clang_visitChildren(
        clang_getTranslationUnitCursor(tu_),
        [](CXCursor cursor, CXCursor, CXClientData data) {
            auto* self = static_cast<unit_scan*>(data);
            CXCursorKind kind = clang_getCursorKind(cursor);
            if (kind != CXCursor_InclusionDirective && kind != CXCursor_MacroExpansion)
                return CXChildVisit_Continue;
            CXSourceLocation location = clang_getCursorLocation(cursor);
            if (clang_Location_isInSystemHeader(location)) return CXChildVisit_Continue;
            CXFile file = nullptr;
            unsigned line = 0, column = 0, offset = 0;
            clang_getExpansionLocation(location, &file, &line, &column, &offset);
            if (!file) return CXChildVisit_Continue;
            std::string name = take_text(clang_getCursorSpelling(cursor));
            const library_rules& rules = *self->request_.rules;
            if (kind == CXCursor_InclusionDirective) {
                self->directives_.push_back(cursor);
                if (rules.headers.count(name)) self->hold_trap(location, "KYV_200_120", name);
                return CXChildVisit_Continue;
            }
            if (rules.macros.count(name)) self->hold_trap(location, "KYV_200_60", name);
            if (rules.names.count(name)) self->hold_trap(location, "KYV_200_50", name);
            if (rules.functions.count(name)) {
                CXCursor definition = clang_getCursorReferenced(cursor);
                if (!clang_Cursor_isNull(definition) && clang_Cursor_isMacroFunctionLike(definition))
                    self->hold_trap(location, "KYV_200_100", name);
            }
            return CXChildVisit_Continue;
        },
        this);
    // A directive with no entered file at its line included a file already
    // entered and guarded: an inclusion all the same, written empty.
    bool added = false;
    for (CXCursor directive : directives_) {
        source_file_info* target = file_info(clang_getIncludedFile(directive));
        if (!target) continue;
        CXFile file = nullptr;
        unsigned line = 0, column = 0, offset = 0;
        clang_getExpansionLocation(clang_getCursorLocation(directive), &file, &line, &column, &offset);
        source_file_info* includer = file_info(file);
        if (!includer || entered_includes_.count({includer, static_cast<int>(line)})) continue;
        int parent = layout_.inclusion_for(includer);
        if (parent < 0) continue;
        layout_.add_inclusion(target, parent, static_cast<int>(line));
        added = true;
    }
    if (added) layout_.order_children();
}

void unit_scan::hold_trap(CXSourceLocation location, const char* rule, const std::string& text) {
    source_file_info* physical = nullptr;
    xob_position position = position_of(location, &physical);
    if (!physical) return;
    int inclusion = layout_.inclusion_for(physical);
    if (inclusion < 0) return;
    CXFile file = nullptr;
    unsigned line = 0, column = 0, offset = 0;
    clang_getExpansionLocation(location, &file, &line, &column, &offset);
    layout_.hold(inclusion, {static_cast<int>(line), static_cast<int>(column),
                             [this, rule, text, position](xob_writer& writer) {
                                 announce(position);
                                 writer.trap(rule, text, position);
                             }});
}

// Errors and warnings of the compiler in project files, as the carrier rules' traps.
void unit_scan::collect_diagnostics() {
    unsigned count = clang_getNumDiagnostics(tu_);
    for (unsigned i = 0; i < count; ++i) {
        CXDiagnostic diagnostic = clang_getDiagnostic(tu_, i);
        CXDiagnosticSeverity severity = clang_getDiagnosticSeverity(diagnostic);
        if (severity == CXDiagnostic_Warning || severity >= CXDiagnostic_Error) {
            bool error = severity >= CXDiagnostic_Error;
            if (error) ++result_.compiler_errors;
            CXSourceLocation location = clang_getDiagnosticLocation(diagnostic);
            CXFile file = nullptr;
            unsigned line = 0, column = 0, offset = 0;
            clang_getExpansionLocation(location, &file, &line, &column, &offset);
            std::string text = take_text(clang_getDiagnosticSpelling(diagnostic));
            if (!file) {
                result_.messages.push_back(request_.source + ": " + (error ? "error: " : "warning: ") +
                                           text);
            } else if (!clang_Location_isInSystemHeader(location)) {
                hold_trap(location, error ? "KYV_10_10" : "KYV_10_11", text);
                if (error)
                    result_.messages.push_back(take_text(clang_formatDiagnostic(
                        diagnostic, CXDiagnostic_DisplaySourceLocation | CXDiagnostic_DisplayColumn)));
            }
        }
        clang_disposeDiagnostic(diagnostic);
    }
}

// Justification comments of every project file the unit read.
void unit_scan::collect_justifications() {
    std::vector<source_file_info*> files;
    for (const auto& file : files_) files.push_back(file.get());
    for (source_file_info* info : files) {
        if (info->system) continue;
        int inclusion = layout_.inclusion_for(info);
        if (inclusion < 0) continue;
        CXFile file = clang_getFile(tu_, info->spelled_name.c_str());
        if (!file) continue;
        std::size_t size = 0;
        const char* contents = clang_getFileContents(tu_, file, &size);
        if (!contents) continue;
        justification_scan found = scan_justifications(contents, size);
        for (const justification& item : found.justifications) {
            xob_position position{info->filenum, item.line, item.column};
            layout_.hold(inclusion, {item.line, item.column, [item, position](xob_writer& writer) {
                                         writer.justify(item.rule, item.lines, item.reason, item.all,
                                                        position);
                                     }});
        }
        for (const malformed_justification& item : found.malformed) {
            xob_position position{info->filenum, item.line, item.column};
            std::string text = "malformed justification: " + item.message;
            layout_.hold(inclusion, {item.line, item.column, [position, text](xob_writer& writer) {
                                         writer.trap("KYV_10_11", text, position);
                                     }});
            result_.messages.push_back(info->full_name + ":" + std::to_string(item.line) + ":" +
                                       std::to_string(item.column) + ": warning: " + text);
        }
    }
}

// The declarations of system headers that project code uses: only these are
// written, so that a use finds its declaration (and no "no definition"
// finding arises for a library object) without the whole of the C library.
void unit_scan::collect_system_uses() {
    clang_visitChildren(
        clang_getTranslationUnitCursor(tu_),
        [](CXCursor cursor, CXCursor, CXClientData data) {
            if (!clang_isDeclaration(clang_getCursorKind(cursor)) ||
                clang_Location_isInSystemHeader(clang_getCursorLocation(cursor)))
                return CXChildVisit_Continue;
            clang_visitChildren(
                cursor,
                [](CXCursor inner, CXCursor, CXClientData inner_data) {
                    if (clang_getCursorKind(inner) == CXCursor_DeclRefExpr) {
                        CXCursor target = clang_getCursorReferenced(inner);
                        if (!clang_Cursor_isNull(target) &&
                            clang_Location_isInSystemHeader(clang_getCursorLocation(target)))
                            static_cast<unit_scan*>(inner_data)->system_uses_.insert(decl_identity(target));
                    }
                    return CXChildVisit_Recurse;
                },
                data);
            return CXChildVisit_Continue;
        },
        this);
}

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
    bool initialised = false;
    clang_visitChildren(
        cursor,
        [](CXCursor child, CXCursor, CXClientData data) {
            CXCursorKind kind = clang_getCursorKind(child);
            if (clang_isExpression(kind)) {
                *static_cast<bool*>(data) = true;
                return CXChildVisit_Break;
            }
            return CXChildVisit_Continue;
        },
        &initialised);
    if (storage == CX_SC_Extern && !initialised) {
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
    const library_rules& rules = *request_.rules;
    if (function && mode == use_mode::callee && rules.functions.count(name))
        hold_trap(location, "KYV_200_100", name);
    if (rules.names.count(name)) hold_trap(location, "KYV_200_50", name);
    if (!place(location)) return;
    xob_position declared = declaration_position(target);
    xob_position used = position_of(location);
    announce(declared);
    announce(used);
    writer_.reference(use_mode_text(mode, function), name, declared, used);
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

std::string cursor_name(CXCursor cursor) { return take_text(clang_getCursorSpelling(cursor)); }

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
    case CXCursor_DeclRefExpr: write_reference(cursor, mine.mode); return false;
    case CXCursor_VarDecl:
        if (place(clang_getCursorLocation(cursor))) write_variable(cursor, parent.level);
        return true;
    case CXCursor_ParmDecl:
        if (parent.function && place(clang_getCursorLocation(cursor))) write_variable(cursor, 1);
        return false;
    case CXCursor_FunctionDecl: {
        std::string name = cursor_name(cursor);
        if (name.empty() || !place(clang_getCursorLocation(cursor))) return false;
        xob_position position = declaration_position(cursor);
        announce(position);
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
        std::string name = cursor_name(cursor);
        if (name.empty() || !place(clang_getCursorLocation(cursor))) return false;
        xob_position position = declaration_position(cursor);
        announce(position);
        std::string indirection;
        int base = types_.number_of(clang_getTypedefDeclUnderlyingType(cursor), indirection);
        int number = types_.add_typedef(cursor);
        writer_.typedef_name(name, parent.level, parent.level == 0 ? 0 : 1, number, base, indirection,
                             position);
        return false;
    }
    case CXCursor_FieldDecl: {
        std::string name = cursor_name(cursor);
        if (!name.empty() && place(clang_getCursorLocation(cursor))) {
            xob_position position = declaration_position(cursor);
            announce(position);
            std::string indirection;
            int type = types_.number_of(clang_getCursorType(cursor), indirection);
            writer_.field(name, types_.number_of_declaration(parent.cursor), type, indirection,
                          position);
        }
        return true;
    }
    case CXCursor_EnumConstantDecl: {
        std::string name = cursor_name(cursor);
        if (!name.empty() && place(clang_getCursorLocation(cursor))) {
            xob_position position = declaration_position(cursor);
            announce(position);
            writer_.enumerator(name, types_.number_of_declaration(parent.cursor), position);
        }
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

}  // namespace

unit_result scan_unit(CXIndex index, const unit_request& request) {
    unit_result result;
    if (access(request.source.c_str(), R_OK) != 0) {
        result.failure = "cannot read " + request.source;
        return result;
    }
    std::vector<const char*> argv;
    for (const std::string& word : request.args) argv.push_back(word.c_str());
    CXTranslationUnit tu = nullptr;
    unsigned options = CXTranslationUnit_DetailedPreprocessingRecord | CXTranslationUnit_KeepGoing;
    CXErrorCode status = clang_parseTranslationUnit2FullArgv(
        index, nullptr, argv.data(), static_cast<int>(argv.size()), nullptr, 0, options, &tu);
    if (status != CXError_Success || !tu) {
        result.failure = status == CXError_Crashed ? "the parser crashed" : "the parser gave no unit";
        return result;
    }
    result.parsed = true;
    unit_scan(tu, request, result).run();
    clang_disposeTranslationUnit(tu);
    return result;
}
