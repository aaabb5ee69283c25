#include <sys/stat.h>

#include "kyvscan/content_hash.h"
#include "kyvscan/paths.h"
#include "kyvscan/clang_text.h"
#include "kyvscan/unit_scan.h"

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
        made->content_hash = file_content_hash(full);
        struct stat status;
        if (stat(full.c_str(), &status) == 0) made->date = static_cast<long long>(status.st_mtime);
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
// column of its own on that line, so that kyvld keeps them apart (merged,
// the bodies of the functions of one use would become one). Only a
// redeclaration of the same entity (a header read twice) shares a position.
xob_position unit_scan::declaration_position(CXCursor declaration) {
    const void* identity = decl_identity(declaration);
    auto found = declaration_positions_.find(identity);
    if (found != declaration_positions_.end()) return found->second;
    xob_position position = position_of(clang_getCursorLocation(declaration));
    const void* entity = decl_identity(clang_getCanonicalCursor(declaration));
    for (;;) {
        auto key = std::make_tuple(position.filenum, position.line, position.column);
        auto used = used_positions_.find(key);
        if (used == used_positions_.end()) {
            used_positions_.emplace(key, entity);
            break;
        }
        if (used->second == entity) break;
        ++position.column;
    }
    declaration_positions_.emplace(identity, position);
    return position;
}

void unit_scan::announce(const xob_position& position) {
    if (position.filenum <= 0 || announced_.count(position.filenum)) return;
    announced_.insert(position.filenum);
    const source_file_info* info = files_[static_cast<std::size_t>(position.filenum - 1)].get();
    if (info->opened) return;
    // A file named only by #line: an empty sourcefile element gives it its
    // number and its short name, which the report shows.
    writer_.begin_source(info->base_name, info->full_name, info->date, info->content_hash, info->system,
                         info->filenum);
    writer_.end_source();
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
