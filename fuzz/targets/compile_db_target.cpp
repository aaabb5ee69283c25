// The compilation database reader: any text is either refused with one line
// naming where, or read into entries that the front end can use as they are.
// The command-line splitter and the path normalisation get the same input.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "kyvscan/compile_db.h"

namespace {

bool holds_nul(const std::string& text) { return text.find('\0') != std::string::npos; }

// A normal absolute path: one leading '/', no empty, "." or ".." part.
void check_normal(const std::string& path) {
    if (path.empty() || path[0] != '/') broken("absolute_source_path", "not absolute: " + path);
    if (path == "/") return;
    std::string parts = path + "/";
    if (parts.find("//") != std::string::npos || parts.find("/./") != std::string::npos ||
        parts.find("/../") != std::string::npos)
        broken("absolute_source_path", "not normal: " + path);
}

void check_entry(const compile_entry& entry) {
    if (entry.directory.empty() || entry.directory[0] != '/') broken("entry", "directory " + entry.directory);
    if (entry.file.empty()) broken("entry", "empty file");
    if (entry.arguments.empty()) broken("entry", "no arguments");
    if (holds_nul(entry.directory) || holds_nul(entry.file)) broken("entry", "NUL in a path");
    for (const std::string& word : entry.arguments)
        if (holds_nul(word)) broken("entry", "NUL in an argument");
    std::string path = absolute_source_path(entry);
    check_normal(path);
    // A normal path stays as it is.
    if (absolute_source_path(compile_entry{"/", path, {}}) != path) broken("absolute_source_path", "not stable");
}

// Each word in single quotes, a quote in it written '\'' as a shell writes it.
std::string quoted_line(const std::vector<std::string>& words) {
    std::string line;
    for (const std::string& word : words) {
        line += " '";
        for (char c : word) line += c == '\'' ? std::string("'\\''") : std::string(1, c);
        line += "'";
    }
    return line;
}

void check_split(const std::string& line) {
    std::vector<std::string> words{"unchanged"};
    if (!split_command_line(line, words)) {
        if (words != std::vector<std::string>{"unchanged"}) broken("split_command_line", "words changed on failure");
        return;
    }
    std::vector<std::string> again;
    if (!split_command_line(quoted_line(words), again) || again != words)
        broken("split_command_line", "quoted words do not split back");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const char* text = reinterpret_cast<const char*>(data);
    compile_db db = parse_compile_db(text, size);
    if (!db.error.empty()) {
        if (!db.entries.empty()) broken("parse_compile_db", "entries kept with an error");
        if (db.error.find('\n') != std::string::npos || db.error.size() > 200)
            broken("parse_compile_db", "error is not one short line: " + db.error);
    } else {
        for (const compile_entry& entry : db.entries) check_entry(entry);
    }
    check_split(std::string(text, size));
    return 0;
}
