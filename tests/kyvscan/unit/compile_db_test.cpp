// The compilation database reader, the command-line splitter and the path
// normalisation, each on a table of texts with the exact result expected.
#include "kyvscan/compile_db.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using words = std::vector<std::string>;

compile_db parsed(const std::string& text) { return parse_compile_db(text.data(), text.size()); }

TEST(CompileDb, AcceptedForms) {
    struct accepted {
        const char* name;
        std::string json;
        std::vector<compile_entry> entries;
    };
    const accepted cases[] = {
        {"arguments", R"([{"directory": "/b", "file": "a.c", "arguments": ["cc", "-c", "a.c"]}])",
         {{"/b", "a.c", {"cc", "-c", "a.c"}}}},
        {"command, quoted", R"([{"directory": "/b", "file": "/s/a.c", "command": "cc -DX='1 2' \"a b.c\""}])",
         {{"/b", "/s/a.c", {"cc", "-DX=1 2", "a b.c"}}}},
        {"arguments win over command",
         R"([{"command": "gcc x", "arguments": ["cc"], "file": "a.c", "directory": "/b", "output": "a.o"}])",
         {{"/b", "a.c", {"cc"}}}},
        {"escapes and order kept",
         R"([{"directory": "/b", "file": "\u00e9.c", "arguments": ["cc"]},
             {"directory": "/c", "file": "b.c", "command": "cc\tb.c"}])",
         {{"/b", "\xc3\xa9.c", {"cc"}}, {"/c", "b.c", {"cc", "b.c"}}}},
        {"empty array", " [ ] \n", {}},
    };
    for (const accepted& c : cases) {
        compile_db db = parsed(c.json);
        EXPECT_EQ(db.error, "") << c.name;
        ASSERT_EQ(db.entries.size(), c.entries.size()) << c.name;
        for (std::size_t i = 0; i < c.entries.size(); ++i) {
            EXPECT_EQ(db.entries[i].directory, c.entries[i].directory) << c.name;
            EXPECT_EQ(db.entries[i].file, c.entries[i].file) << c.name;
            EXPECT_EQ(db.entries[i].arguments, c.entries[i].arguments) << c.name;
        }
    }
}

TEST(CompileDb, RefusedWithWhere) {
    const std::string good = R"({"directory": "/b", "file": "a.c", "arguments": ["cc"]})";
    const std::pair<std::string, std::string> cases[] = {
        {"", "not JSON at offset 0: The document is empty."},
        {"{}", "the database is not a JSON array"},
        {"[1]", "entry 1: not an object"},
        {"[" + good + ", []]", "entry 2: not an object"},
        {R"([{"file": "a.c", "arguments": ["cc"]}])", "entry 1: \"directory\" is missing"},
        {R"([{"directory": "/b", "arguments": ["cc"]}])", "entry 1: \"file\" is missing"},
        {R"([{"directory": "/b", "file": "a.c"}])", "entry 1: \"arguments\" and \"command\" are both missing"},
        {R"([{"directory": 1, "file": "a.c", "arguments": ["cc"]}])", "entry 1: \"directory\" is not a string"},
        {R"([{"directory": "/b", "file": "a.c", "command": ["cc"]}])", "entry 1: \"command\" is not a string"},
        {R"([{"directory": "/b", "file": "a.c", "arguments": "cc"}])", "entry 1: \"arguments\" is not an array"},
        {R"([{"directory": "/b", "file": "a.c", "arguments": []}])", "entry 1: \"arguments\" is empty"},
        {R"([{"directory": "/b", "file": "a.c", "arguments": ["cc", 2]}])",
         "entry 1: \"arguments\" holds a value that is not a string"},
        {R"([{"directory": "b", "file": "a.c", "arguments": ["cc"]}])",
         "entry 1: \"directory\" is not an absolute path"},
        {R"([{"directory": "/b", "file": "", "arguments": ["cc"]}])", "entry 1: \"file\" is empty"},
        {R"([{"directory": "/b", "file": "a.c", "command": "cc 'a.c"}])",
         "entry 1: \"command\" has an unterminated quote"},
        {R"([{"directory": "/b", "file": "a.c", "command": " \t "}])", "entry 1: \"command\" holds no word"},
        {R"([{"directory": "/b", "file": "a\u0000.c", "arguments": ["cc"]}])",
         "entry 1: \"file\" holds a NUL character"},
        {R"([{"directory": "/b", "file": "a.c", "arguments": ["cc", "-\u0000"]}])",
         "entry 1: \"arguments\" holds a NUL character"},
        {R"([{"directory": "/b", "file": "a.c", "file": "b.c", "arguments": ["cc"]}])",
         "entry 1: \"file\" is given twice"},
        {"[] x", "not JSON at offset 3: The document root must not be followed by other values."},
        {std::string("[]\0x", 4), "not JSON at offset 2: a NUL byte after the array"},
        {std::string("[\"a\0\"]", 6), "not JSON at offset 3: Missing a closing quotation mark in string."},
    };
    for (const auto& c : cases) {
        compile_db db = parsed(c.first);
        EXPECT_EQ(db.error, c.second) << c.first;
        EXPECT_TRUE(db.entries.empty()) << c.first;
    }
}

TEST(CompileDb, DeepNestingIsAnErrorNotACrash) {
    const std::size_t depth = 100000;
    compile_db open = parsed(std::string(depth, '['));
    EXPECT_EQ(open.error.rfind("not JSON at offset ", 0), 0u) << open.error;
    compile_db closed = parsed(std::string(depth, '[') + std::string(depth, ']'));
    EXPECT_EQ(closed.error, "entry 1: not an object");
    compile_db in_entry = parsed(R"([{"directory": "/b", "file": "a.c", "x": )" + std::string(depth, '[') +
                                 std::string(depth, ']') + R"(, "arguments": ["cc"]}])");
    EXPECT_EQ(in_entry.error, "");
    EXPECT_EQ(in_entry.entries.size(), 1u);
}

TEST(CompileDb, ReadFromFolderOrFile) {
    char folder[] = "/tmp/kyvscan-db-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string file = std::string(folder) + "/compile_commands.json";
    const std::string missing = std::string(folder) + "/none.json";
    std::FILE* out = std::fopen(file.c_str(), "w");
    ASSERT_NE(out, nullptr);
    std::fputs(R"([{"directory": "/b", "file": "a.c", "arguments": ["cc"]}] x)", out);
    std::fclose(out);
    EXPECT_EQ(read_compile_db(folder).error,
              file + ": not JSON at offset 58: The document root must not be followed by other values.");
    EXPECT_EQ(read_compile_db(file).error, read_compile_db(folder).error);
    EXPECT_EQ(read_compile_db(missing).error, missing + ": cannot be read: No such file or directory");
    EXPECT_EQ(read_compile_db("/dev/null").error, "/dev/null: not a regular file");
    out = std::fopen(file.c_str(), "w");
    std::fputs(R"([{"directory": "/b", "file": "a.c", "command": "cc a.c"}])", out);
    std::fclose(out);
    compile_db db = read_compile_db(folder);
    EXPECT_EQ(db.error, "");
    ASSERT_EQ(db.entries.size(), 1u);
    EXPECT_EQ(db.entries[0].arguments, (words{"cc", "a.c"}));
    unlink(file.c_str());
    rmdir(folder);
}

TEST(CommandLine, SplitAsAShell) {
    const std::pair<std::string, words> cases[] = {
        {"cc -c a.c", {"cc", "-c", "a.c"}},
        {" \t a \n  b  ", {"a", "b"}},
        {"", {}},
        {"'a b'c", {"a bc"}},
        {R"('a\b "c"')", {R"(a\b "c")"}},
        {R"("a \"b\" \\ \$ \` \q 'c'")", {R"(a "b" \ $ ` \q 'c')"}},
        {R"(a\ b \'c)", {"a b", "'c"}},
        {"a '' b \"\"", {"a", "", "b", ""}},
        {R"(-DX="1 2" -DY='"s"')", {"-DX=1 2", "-DY=\"s\""}},
        {R"('it'\''s')", {"it's"}},
        {"a\\\nb \"c\\\nd\" 'e\\\nf'", {"ab", "cd", "e\\\nf"}},
        {"a\\", {"a\\"}},
        {"a;b|c>d $X #e ~", {"a;b|c>d", "$X", "#e", "~"}},
    };
    for (const auto& c : cases) {
        words split{"old"};
        EXPECT_TRUE(split_command_line(c.first, split)) << c.first;
        EXPECT_EQ(split, c.second) << c.first;
    }
    for (const char* open : {"'abc", "\"abc", R"("abc\")", "a 'b' \"c", "\""}) {
        words split{"old"};
        EXPECT_FALSE(split_command_line(open, split)) << open;
        EXPECT_EQ(split, words{"old"}) << open;
    }
}

TEST(SourcePath, JoinedAndLexicallyNormal) {
    struct path_case {
        const char* directory;
        const char* file;
        const char* path;
    };
    const path_case cases[] = {
        {"/b", "a.c", "/b/a.c"},
        {"/b/", "./src//a.c", "/b/src/a.c"},
        {"/b/c", "../a.c", "/b/a.c"},
        {"/b/c", "../../../../a.c", "/a.c"},
        {"/b", "/abs/x/../y.c", "/abs/y.c"},
        {"//b///c/", "a.c", "/b/c/a.c"},
        {"/b/./c/.", "..", "/b"},
        {"/b", "src/", "/b/src"},
        {"/", ".", "/"},
        {"/b", "...", "/b/..."},
        {"/b", "a..c/.x", "/b/a..c/.x"},
    };
    for (const path_case& c : cases) {
        compile_entry entry{c.directory, c.file, {"cc"}};
        EXPECT_EQ(absolute_source_path(entry), c.path) << c.directory << " + " << c.file;
    }
}

}  // namespace
