// From a compile step's words to the words libclang parses the unit with:
// the unit's own flags, without what only matters for writing outputs
// (-c, -o FILE, dependency files), with the compiler's own system include
// folders, relative paths resolved against the step's folder.
#pragma once
#include <string>
#include <vector>

enum class unit_language { c, cplusplus, other };

struct parse_command {
    unit_language language = unit_language::c;
    std::string language_name;       // "C++", "assembler", ... when not C
    std::vector<std::string> args;   // for libclang: a compiler name first, the source last
};

// `arguments` starts with the compiler; `source` is the unit's absolute path;
// `system_dirs` are the compiler's own system include folders.
parse_command make_parse_command(const std::vector<std::string>& arguments,
                                 const std::string& directory, const std::string& source,
                                 const std::vector<std::string>& system_dirs);

// The source file a compile step compiles: its last word that is neither an
// option nor an option's value; empty when there is none.
std::string find_source_argument(const std::vector<std::string>& arguments);

// The compile step as one line, for the xob file's `command` and messages.
std::string command_text(const std::vector<std::string>& arguments);
