#include "kyvscan/justify_comments.h"
#include "kyvscan/library_rules.h"
#include "kyvscan/clang_text.h"
#include "kyvscan/unit_scan.h"

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
            CXSourceLocation location = clang_getDiagnosticLocation(diagnostic);
            CXFile file = nullptr;
            unsigned line = 0, column = 0, offset = 0;
            clang_getExpansionLocation(location, &file, &line, &column, &offset);
            std::string text = take_text(clang_getDiagnosticSpelling(diagnostic));
            if (!file) {
                // About the flags (another compiler's options): said once
                // per run, and no error of the unit's code.
                result_.messages.push_back("kyvscan: libclang: " + text);
            } else if (!clang_Location_isInSystemHeader(location)) {
                if (error) ++result_.compiler_errors;
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

