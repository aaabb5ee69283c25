#include "kyvscan/compiler_args.h"

#include <cstring>

#include "kyvscan/paths.h"

namespace {

bool ends_with(const std::string& text, const char* suffix) {
    std::size_t length = std::strlen(suffix);
    return text.size() >= length && text.compare(text.size() - length, length, suffix) == 0;
}

std::string base_name(const std::string& path) {
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The language the compiler driver would pick from the file name alone.
unit_language language_of_file(const std::string& path, std::string& name) {
    static const char* const cplusplus[] = {".cc", ".cp", ".cpp", ".cxx", ".c++", ".C", ".CPP",
                                            ".ii", ".mm", ".M", ".hpp", ".hh", ".hxx"};
    for (const char* suffix : cplusplus)
        if (ends_with(path, suffix)) {
            name = "C++";
            return unit_language::cplusplus;
        }
    if (ends_with(path, ".s") || ends_with(path, ".S") || ends_with(path, ".sx") ||
        ends_with(path, ".asm")) {
        name = "assembler";
        return unit_language::other;
    }
    if (ends_with(path, ".m")) {
        name = "Objective-C";
        return unit_language::other;
    }
    return unit_language::c;
}

unit_language language_of_option(const std::string& value, std::string& name) {
    if (value == "c" || value == "c-header" || value == "cpp-output") return unit_language::c;
    name = value;
    if (value.find("c++") == 0) {
        name = "C++";
        return unit_language::cplusplus;
    }
    return unit_language::other;
}

// Options that only shape outputs, with the number of words they take.
int output_option_words(const std::string& word) {
    static const char* const alone[] = {"-c", "-S", "-E", "-M", "-MM", "-MD", "-MMD", "-MP",
                                        "-MG", "-pipe", "-save-temps", "-fsyntax-only", "-v",
                                        "-###", "-Winvalid-pch"};
    for (const char* option : alone)
        if (word == option) return 1;
    static const char* const with_value[] = {"-o", "-MF", "-MT", "-MQ", "-MJ", "--serialize-diagnostics"};
    for (const char* option : with_value)
        if (word == option) return 2;
    if (word.size() > 2 && word.compare(0, 2, "-o") == 0) return 1;
    if (word.compare(0, 3, "-MF") == 0 || word.compare(0, 3, "-MT") == 0 ||
        word.compare(0, 3, "-MQ") == 0)
        return 1;
    return 0;
}

}  // namespace

parse_command make_parse_command(const std::vector<std::string>& arguments,
                                 const std::string& directory, const std::string& source,
                                 const std::vector<std::string>& system_dirs) {
    parse_command command;
    std::string compiler = arguments.empty() ? std::string() : base_name(arguments[0]);
    command.language = language_of_file(source, command.language_name);
    if (compiler.find("++") != std::string::npos) {
        command.language = unit_language::cplusplus;
        command.language_name = "C++";
    }
    command.args.push_back("clang");
    command.args.push_back("-working-directory=" + directory);
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& word = arguments[i];
        if (int skip = output_option_words(word)) {
            i += skip - 1;
            continue;
        }
        if (word == "-x" && i + 1 < arguments.size()) {
            command.language = language_of_option(arguments[i + 1], command.language_name);
        } else if (word.compare(0, 2, "-x") == 0 && word.size() > 2) {
            command.language = language_of_option(word.substr(2), command.language_name);
        } else if (word.compare(0, 5, "-std=") == 0 && word.find("++") != std::string::npos) {
            command.language = unit_language::cplusplus;
            command.language_name = "C++";
        }
        // The unit's source is named once, last, by its absolute path.
        if (!word.empty() && word[0] != '-' && normal_path(directory, word) == source) continue;
        command.args.push_back(word);
    }
    for (const std::string& dir : system_dirs) {
        command.args.push_back("-isystem");
        command.args.push_back(dir);
    }
    // Flags of other compilers must not stop the parse.
    command.args.push_back("-Wno-unknown-warning-option");
    command.args.push_back("-Wno-ignored-optimization-argument");
    command.args.push_back("-Wno-unused-command-line-argument");
    command.args.push_back(source);
    return command;
}

std::string find_source_argument(const std::vector<std::string>& arguments) {
    static const char* const with_value[] = {
        "-o", "-I", "-D", "-U", "-include", "-imacros", "-isystem", "-idirafter", "-iquote",
        "-iprefix", "-iwithprefix", "-isysroot", "--sysroot", "-MF", "-MT", "-MQ", "-x", "-L",
        "-Xclang", "-Xlinker", "-Xpreprocessor", "-Xassembler", "-arch", "-target", "-aux-info",
        "-l", "-T", "-u", "-z", "-e", "--param", "-working-directory"};
    std::string source;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& word = arguments[i];
        bool takes_value = false;
        for (const char* option : with_value)
            if (word == option) takes_value = true;
        if (takes_value) {
            ++i;
            continue;
        }
        if (!word.empty() && word[0] != '-') source = word;
    }
    return source;
}

std::string command_text(const std::vector<std::string>& arguments) {
    std::string text;
    for (const std::string& word : arguments) {
        if (!text.empty()) text += ' ';
        bool plain = !word.empty() && word.find_first_of(" \t\"'\\$`") == std::string::npos;
        if (plain) {
            text += word;
        } else {
            text += '\'';
            for (char c : word) {
                if (c == '\'')
                    text += "'\\''";
                else
                    text += c;
            }
            text += '\'';
        }
    }
    return text;
}
