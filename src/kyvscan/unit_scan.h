// The walk of one translation unit (see unit_scanner.h): the unit's files
// and positions (unit_scan_files.cpp), what is collected before the walk
// (unit_scan_collect.cpp: preprocessing, diagnostics, justifications, the
// system declarations in use) and the walk that writes the elements
// (unit_scan_walk.cpp). Private to the scanner.
#pragma once
#include <clang-c/Index.h>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "kyvscan/source_layout.h"
#include "kyvscan/type_numbers.h"
#include "kyvscan/unit_scanner.h"
#include "kyvscan/use_modes.h"
#include "kyvscan/xob_text.h"

// A declaration as libclang names it: the address of clang's own record.
inline const void* decl_identity(CXCursor cursor) { return cursor.data[0]; }

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
    bool placed_declaration(CXCursor cursor, std::string& name, xob_position& position);
    void write_reference(CXCursor cursor, use_mode mode);

    using file_key = std::tuple<unsigned long long, unsigned long long, unsigned long long>;

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
    std::map<std::tuple<int, int, int>, const void*> used_positions_;  // by entity
    std::unordered_set<const void*> system_uses_;
    std::unordered_set<const void*> written_system_;
    type_numbering types_;
    std::vector<frame> frames_;
    std::set<std::pair<const source_file_info*, int>> entered_includes_;  // (includer, line)
    std::vector<CXCursor> directives_;  // #include directives of project files
};

