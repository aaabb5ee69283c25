// The compilation database: compile_commands.json as CMake, Meson and Bear
// write it. Each entry is one compile step: the folder it runs in, the source
// file and the compiler's words (given as "arguments", or as one "command"
// line split as a POSIX shell would split it).
#pragma once
#include <cstddef>
#include <string>
#include <vector>

struct compile_entry {
    std::string directory;               // absolute, as written
    std::string file;                    // as written (relative to directory or absolute)
    std::vector<std::string> arguments;  // the compiler first
};

struct compile_db {
    std::vector<compile_entry> entries;  // in the database's order
    std::string error;                   // empty when the database was read
};

// Reads a database from its text. A text that is not a JSON array of objects
// each with a string "directory", a string "file" and either a non-empty
// array of strings "arguments" or a string "command" is refused as a whole:
// `error` says where ("entry 3: \"file\" is not a string"), and no entry is kept.
// Entries are counted from 1. Also refused, since the compiler and the file
// system take C strings: a "directory" that is not absolute, an empty "file",
// a "command" that splits into no word or has an unterminated quote, a NUL
// character in any of these strings, a field given twice, and any text after
// the array. "arguments" wins over "command" when both are given; other
// fields are ignored. An empty array is a database without entries.
compile_db parse_compile_db(const char* text, std::size_t length);

// Reads BUILD_DIR/compile_commands.json (or the file itself when `path`
// names a file); a file that cannot be read is an error like a malformed one.
// Only regular files are read; errors start with the file's name.
compile_db read_compile_db(const std::string& path);

// Splits a command line as a POSIX shell does for plain words: blanks
// separate, single quotes keep everything, double quotes keep all but
// \" \\ \$ \` (which lose their backslash), a backslash outside quotes keeps
// the next character. False (and `words` unchanged) for an unterminated quote.
// Blanks are space, tab and line feed; a backslash before a line feed joins
// the lines (outside single quotes), one at the very end stays a backslash.
// Operators, '#', '~' and '$' are ordinary characters. On success `words`
// holds the line's words, replacing what it held.
bool split_command_line(const std::string& line, std::vector<std::string>& words);

// The entry's source file as an absolute, lexically normal path: "file"
// joined to "directory" when relative, then ".", "..", empty and trailing
// parts removed without asking the file system (so symbolic links are not
// followed; ".." at the root stays at the root).
std::string absolute_source_path(const compile_entry& entry);
