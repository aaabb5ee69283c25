#include "kyvreport/source_snippets.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// A source root of its own per test, with a folder beside it that is
// outside the root.
class SourceRoot : public ::testing::Test {
protected:
    void SetUp() override {
        char name[] = "/tmp/kyvreport-snippets-XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        top_ = name;
        root_ = top_ + "/root";
        mkdir(root_.c_str(), 0755);
    }
    void TearDown() override { std::system(("rm -rf '" + top_ + "'").c_str()); }

    void write(const std::string& path, const std::string& bytes) {
        std::FILE* file = std::fopen((top_ + "/" + path).c_str(), "wb");
        ASSERT_NE(file, nullptr);
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
    }

    static std::string numbered(int lines) {
        std::string text;
        for (int i = 1; i <= lines; ++i) text += "line " + std::to_string(i) + "\n";
        return text;
    }

    std::string top_, root_;
};

std::vector<std::string> lines_of(const snippet& s) { return s.lines; }

}  // namespace

TEST_F(SourceRoot, LinesAroundEachFindingInOrderOutOfOrderAndNearTheEnds) {
    write("root/a.c", numbered(10));
    const artifact_uris uris(root_);
    source_snippets snippets(uris);
    ASSERT_EQ(snippets.start_file(root_ + "/a.c"), "");
    snippet s = snippets.around(1);
    EXPECT_EQ(s.first_line, 1);
    EXPECT_EQ(lines_of(s), (std::vector<std::string>{"line 1", "line 2", "line 3"}));
    s = snippets.around(5);
    EXPECT_EQ(s.first_line, 3);
    EXPECT_EQ(lines_of(s), (std::vector<std::string>{"line 3", "line 4", "line 5", "line 6", "line 7"}));
    s = snippets.around(5);  // a second trap on the same line
    EXPECT_EQ(s.first_line, 3);
    s = snippets.around(2);  // out of line order: read again from the start
    EXPECT_EQ(lines_of(s), (std::vector<std::string>{"line 1", "line 2", "line 3", "line 4"}));
    s = snippets.around(10);
    EXPECT_EQ(lines_of(s), (std::vector<std::string>{"line 8", "line 9", "line 10"}));
    EXPECT_TRUE(snippets.around(11).lines.empty());  // past the end
    EXPECT_TRUE(snippets.around(0).lines.empty());
    EXPECT_TRUE(snippets.around(-3).lines.empty());
    EXPECT_TRUE(snippets.around(9223372036854775807LL).lines.empty());
    // A path relative to the root, as a report of relative paths names it.
    ASSERT_EQ(snippets.start_file("a.c"), "");
    EXPECT_EQ(snippets.around(4).first_line, 2);
}

TEST_F(SourceRoot, HostileSourcesGiveAReasonAndNoLines) {
    write("root/binary.o", std::string("\x7f" "ELF\0\0\1\n", 8) + numbered(5));
    write("root/long.c", "int x;\n" + std::string(1000000, 'a') + "\nint y;\n");
    write("root/crlf.c", "one\r\ntwo\r\n\xff\xfe bad\r\n");
    write("outside.c", numbered(5));
    symlink((top_ + "/outside.c").c_str(), (root_ + "/link.c").c_str());
    mkfifo((root_ + "/pipe.c").c_str(), 0644);
    mkdir((root_ + "/folder.c").c_str(), 0755);
    const artifact_uris uris(root_);
    source_snippets snippets(uris);
    struct refused {
        std::string path, reason;
    };
    for (const refused& row : std::vector<refused>{
             {root_ + "/missing.c", "not found under the source root"},
             {top_ + "/outside.c", "outside the source root"},
             {root_ + "/../outside.c", "outside the source root"},
             {"../outside.c", "outside the source root"},
             {root_ + "/link.c", "outside the source root"},
             {root_ + "/pipe.c", "not a regular file"},
             {root_ + "/folder.c", "not a regular file"},
             {"", "no file"},
         }) {
        SCOPED_TRACE(row.path);
        EXPECT_EQ(snippets.start_file(row.path), row.reason);
        EXPECT_TRUE(snippets.around(1).lines.empty());
    }
    ASSERT_EQ(snippets.start_file(root_ + "/binary.o"), "");
    EXPECT_TRUE(snippets.around(3).lines.empty());
    EXPECT_EQ(snippets.problem(), "binary file");

    ASSERT_EQ(snippets.start_file(root_ + "/long.c"), "");
    const snippet s = snippets.around(2);
    ASSERT_EQ(s.lines.size(), 3u);
    EXPECT_EQ(s.lines[1], std::string(MAX_LINE_BYTES, 'a') + "\xe2\x80\xa6");
    EXPECT_EQ(s.lines[2], "int y;");

    ASSERT_EQ(snippets.start_file(root_ + "/crlf.c"), "");
    EXPECT_EQ(lines_of(snippets.around(1)),
              (std::vector<std::string>{"one", "two", "\xef\xbf\xbd\xef\xbf\xbd bad"}));

    const artifact_uris no_root("");
    source_snippets without(no_root);
    EXPECT_EQ(without.start_file(root_ + "/long.c"), "no source root");
}
