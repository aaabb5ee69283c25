// The compilation database reader: the JSON text through RapidJSON's
// iterative parser (its call stack does not grow with the nesting), then each
// entry checked field by field, so that one message names what is wrong.
#include "kyvscan/compile_db.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <rapidjson/document.h>
#include <rapidjson/error/en.h>
#include <rapidjson/memorystream.h>

namespace {

using json = rapidjson::Value;

// The database refused with one line of text.
compile_db refused(std::string error) {
    compile_db db;
    db.error = std::move(error);
    return db;
}

std::string field_error(std::size_t entry, const char* field, const char* what) {
    return "entry " + std::to_string(entry) + ": \"" + field + "\" " + what;
}

bool holds_nul(const json& string) {
    return std::memchr(string.GetString(), '\0', string.GetStringLength()) != nullptr;
}

std::string text_of(const json& string) { return std::string(string.GetString(), string.GetStringLength()); }

// The members of one entry that the reader knows, each found at most once.
struct entry_fields {
    const json* directory = nullptr;
    const json* file = nullptr;
    const json* arguments = nullptr;
    const json* command = nullptr;
};

// Checks one entry (`number` counted from 1) and fills `entry`; the error text or "".
std::string read_entry(const json& value, std::size_t number, compile_entry* entry) {
    if (!value.IsObject()) return "entry " + std::to_string(number) + ": not an object";
    entry_fields fields;
    struct known {
        const char* name;
        const json** slot;
    };
    const known names[] = {{"directory", &fields.directory},
                           {"file", &fields.file},
                           {"arguments", &fields.arguments},
                           {"command", &fields.command}};
    for (auto member = value.MemberBegin(); member != value.MemberEnd(); ++member) {
        const json& key = member->name;
        for (const known& name : names) {
            if (key.GetStringLength() != std::strlen(name.name) ||
                std::memcmp(key.GetString(), name.name, key.GetStringLength()) != 0)
                continue;
            if (*name.slot) return field_error(number, name.name, "is given twice");
            *name.slot = &member->value;
        }
    }
    const json* strings[] = {fields.directory, fields.file, fields.command};
    const char* string_names[] = {"directory", "file", "command"};
    for (int i = 0; i < 3; ++i) {
        if (!strings[i]) continue;
        if (!strings[i]->IsString()) return field_error(number, string_names[i], "is not a string");
        if (holds_nul(*strings[i])) return field_error(number, string_names[i], "holds a NUL character");
    }
    if (!fields.directory) return field_error(number, "directory", "is missing");
    if (!fields.file) return field_error(number, "file", "is missing");
    if (fields.directory->GetStringLength() == 0 || fields.directory->GetString()[0] != '/')
        return field_error(number, "directory", "is not an absolute path");
    if (fields.file->GetStringLength() == 0) return field_error(number, "file", "is empty");
    entry->directory = text_of(*fields.directory);
    entry->file = text_of(*fields.file);
    if (fields.arguments) {
        if (!fields.arguments->IsArray()) return field_error(number, "arguments", "is not an array");
        if (fields.arguments->Empty()) return field_error(number, "arguments", "is empty");
        for (const json& word : fields.arguments->GetArray()) {
            if (!word.IsString()) return field_error(number, "arguments", "holds a value that is not a string");
            if (holds_nul(word)) return field_error(number, "arguments", "holds a NUL character");
            entry->arguments.push_back(text_of(word));
        }
        return "";
    }
    if (!fields.command) return field_error(number, "arguments", "and \"command\" are both missing");
    if (!split_command_line(text_of(*fields.command), entry->arguments))
        return field_error(number, "command", "has an unterminated quote");
    if (entry->arguments.empty()) return field_error(number, "command", "holds no word");
    return "";
}

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\n'; }

// The characters a backslash escapes inside double quotes.
bool escapes_in_double_quotes(char c) { return c == '"' || c == '\\' || c == '$' || c == '`' || c == '\n'; }

}  // namespace

compile_db parse_compile_db(const char* text, std::size_t length) {
    if (!text) length = 0;
    rapidjson::MemoryStream stream(text ? text : "", length);
    rapidjson::Document document;
    document.ParseStream<rapidjson::kParseIterativeFlag>(stream);
    if (document.HasParseError())
        return refused("not JSON at offset " + std::to_string(document.GetErrorOffset()) + ": " +
                       rapidjson::GetParseError_En(document.GetParseError()));
    // The stream reads a NUL byte as its end: what follows one is more text.
    if (stream.Tell() != length)
        return refused("not JSON at offset " + std::to_string(stream.Tell()) + ": a NUL byte after the array");
    if (!document.IsArray()) return refused("the database is not a JSON array");
    compile_db db;
    std::size_t number = 0;
    for (const json& value : document.GetArray()) {
        compile_entry entry;
        std::string error = read_entry(value, ++number, &entry);
        if (!error.empty()) return refused(error);
        db.entries.push_back(std::move(entry));
    }
    return db;
}

compile_db read_compile_db(const std::string& path) {
    std::string name = path;
    struct stat info;
    if (stat(name.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        name += "/compile_commands.json";
        if (stat(name.c_str(), &info) != 0) return refused(name + ": cannot be read: " + std::strerror(errno));
    } else if (stat(name.c_str(), &info) != 0) {
        return refused(name + ": cannot be read: " + std::strerror(errno));
    }
    // A device or a pipe could block or never end.
    if (!S_ISREG(info.st_mode)) return refused(name + ": not a regular file");
    std::FILE* file = std::fopen(name.c_str(), "rb");
    if (!file) return refused(name + ": cannot be read: " + std::strerror(errno));
    std::string text;
    char buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, n);
    bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) return refused(name + ": cannot be read");
    compile_db db = parse_compile_db(text.data(), text.size());
    if (!db.error.empty()) db.error = name + ": " + db.error;
    return db;
}

bool split_command_line(const std::string& line, std::vector<std::string>& words) {
    std::vector<std::string> split;
    std::string word;
    bool in_word = false;  // a word has begun, perhaps with empty quotes
    const std::size_t n = line.size();
    for (std::size_t i = 0; i < n; ++i) {
        char c = line[i];
        if (is_blank(c)) {
            if (in_word) split.push_back(std::move(word));
            word.clear();
            in_word = false;
        } else if (c == '\\') {
            if (i + 1 == n) {
                word += c;
                in_word = true;
            } else if (line[++i] != '\n') {
                word += line[i];
                in_word = true;
            }
        } else if (c == '\'') {
            std::size_t end = line.find('\'', i + 1);
            if (end == std::string::npos) return false;
            word.append(line, i + 1, end - i - 1);
            in_word = true;
            i = end;
        } else if (c == '"') {
            in_word = true;
            for (++i;; ++i) {
                if (i == n) return false;
                if (line[i] == '"') break;
                if (line[i] == '\\' && i + 1 < n && escapes_in_double_quotes(line[i + 1])) {
                    if (line[++i] != '\n') word += line[i];
                } else {
                    word += line[i];
                }
            }
        } else {
            word += c;
            in_word = true;
        }
    }
    if (in_word) split.push_back(std::move(word));
    words = std::move(split);
    return true;
}

std::string absolute_source_path(const compile_entry& entry) {
    std::string joined = !entry.file.empty() && entry.file[0] == '/' ? entry.file : entry.directory + "/" + entry.file;
    bool absolute = !joined.empty() && joined[0] == '/';
    // Each part kept is [start, start + length) of `joined`.
    std::vector<std::pair<std::size_t, std::size_t>> parts;
    for (std::size_t start = 0; start <= joined.size();) {
        std::size_t end = joined.find('/', start);
        if (end == std::string::npos) end = joined.size();
        std::size_t length = end - start;
        if (length == 0 || (length == 1 && joined[start] == '.')) {
            // nothing: an empty part or "."
        } else if (length == 2 && joined.compare(start, 2, "..") == 0) {
            bool parent_kept = !parts.empty() && joined.compare(parts.back().first, parts.back().second, "..") != 0;
            if (parent_kept)
                parts.pop_back();
            else if (!absolute)
                parts.emplace_back(start, length);
        } else {
            parts.emplace_back(start, length);
        }
        start = end + 1;
    }
    std::string path = absolute ? "/" : "";
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) path += '/';
        path.append(joined, parts[i].first, parts[i].second);
    }
    if (path.empty()) path = ".";
    return path;
}
