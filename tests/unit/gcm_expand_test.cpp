// Argument expansion: response files and environment references.
#include "cmdline/gcm_expand.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "cmdline/gcmdec.h"

namespace {

class Expansion : public ::testing::Test {
protected:
    void SetUp() override {
        gcm_program = &settings;
        const char* home = std::getenv("HOME");
        saved_home = home ? home : "";
        had_home = home != nullptr;
        setenv("HOME", "/u", 1);
        unsetenv("NOSUCH");
        char pattern[] = "/tmp/gcm_expand_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        directory = pattern;
    }
    void TearDown() override {
        gcm_program = nullptr;
        if (had_home)
            setenv("HOME", saved_home.c_str(), 1);
        else
            unsetenv("HOME");
        for (const std::string& file : created) std::remove(file.c_str());
        rmdir(directory.c_str());
    }

    std::string write_file(const std::string& name, const std::string& content) {
        std::string path = directory + "/" + name;
        std::FILE* file = std::fopen(path.c_str(), "wb");
        std::fwrite(content.data(), 1, content.size(), file);
        std::fclose(file);
        created.push_back(path);
        return path;
    }

    // The texts of a vector, which is then freed except for the given texts.
    static std::vector<std::string> take(gcm_words& words, const std::vector<char*>& given = {}) {
        std::vector<std::string> texts(words.words, words.words + words.count);
        for (int i = 0; i < words.count; ++i)
            if (std::find(given.begin(), given.end(), words.words[i]) == given.end())
                std::free(words.words[i]);
        std::free(words.words);
        words = gcm_words();
        return texts;
    }

    // The words of a response file with the given content.
    std::vector<std::string> read(const std::string& content) {
        gcm_words words;
        EXPECT_EQ(gcm_read_file(write_file("words", content).c_str(), &words), 0);
        return take(words);
    }

    static std::string added(const char* text) {
        gcm_words words;
        EXPECT_EQ(gcm_add_word(text, &words), 0);
        return take(words, {const_cast<char*>(text)}).at(0);
    }

    gcm_settings settings = {'-', '=', '\xA0', nullptr, nullptr, nullptr, {nullptr}, nullptr};
    std::string directory;
    std::vector<std::string> created;
    std::string saved_home;
    bool had_home = false;
};

using words = std::vector<std::string>;

TEST_F(Expansion, EnvironmentReferences) {
    EXPECT_EQ(added("$HOME/opt"), "/u/opt");
    EXPECT_EQ(added("a$NOSUCH"), "a$NOSUCH");
    EXPECT_EQ(added("$"), "$");
    EXPECT_EQ(added("x$-$HOME"), "x$-/u");
    EXPECT_EQ(added("$HOME"), "/u");
    EXPECT_EQ(added("$HOME$HOME"), "/u/u");
    EXPECT_EQ(added("$$HOME"), "$/u");
    EXPECT_EQ(added("$HOMEX"), "$HOMEX");  // the longest name is looked up
    // An inserted value is never scanned again.
    setenv("NOSUCH", "$HOME", 1);
    EXPECT_EQ(added("<$NOSUCH>$HOME"), "<$HOME>/u");
    // A variable set to nothing still replaces its reference.
    setenv("NOSUCH", "", 1);
    EXPECT_EQ(added("$NOSUCH"), "");
    EXPECT_EQ(added("a$NOSUCH$NOSUCH.b"), "a.b");
    unsetenv("NOSUCH");
    // An unchanged word is the caller's own text.
    char text[] = "plain$";
    gcm_words one;
    ASSERT_EQ(gcm_add_word(text, &one), 0);
    EXPECT_EQ(one.words[0], text);
    EXPECT_EQ(one.words[1], nullptr);
    take(one, {text});
}

TEST_F(Expansion, WordWithManyReferences) {
    std::string word;
    for (int i = 0; i < 300000; ++i) word += "$HOME-";
    std::string expanded = added(word.c_str());
    EXPECT_EQ(expanded.size(), 900000u);
    EXPECT_EQ(expanded.substr(0, 9), "/u-/u-/u-");
}

TEST_F(Expansion, ResponseFileWordsQuotesAndComments) {
    EXPECT_EQ(read("a \"b c\"\td\r\ne"), (words{"a", "b c", "d", "e"}));
    EXPECT_EQ(read("  # comment \"\nx # not a comment\n\t#y\nz"),
              (words{"x", "#", "not", "a", "comment", "z"}));
    // Comments are recognised at line starts inside quotes too.
    EXPECT_EQ(read("\"q1\n# dropped\nq2\""), (words{"q1\n\nq2"}));
    EXPECT_EQ(read("\"a b\nc"), (words{"a b\nc"}));  // an unclosed quote runs to the end
    EXPECT_EQ(read("\"\" x \"\""), (words{"x"}));
    EXPECT_EQ(read(""), words{});
    EXPECT_EQ(read("$HOME/x @nested -option=other"), (words{"/u/x", "@nested", "-option=other"}));
}

TEST_F(Expansion, ResponseFileBackslashes) {
    EXPECT_EQ(read("ab\\\ncd ef\\\r\ngh"), (words{"abcd", "efgh"}));
    EXPECT_EQ(read("a\\ b \\\"c\\\" d\\\\e"), (words{"a\\ b", "\\\"c\\\"", "d\\\\e"}));
    EXPECT_EQ(read("end\\"), words{"end"});
    // A joined line is not a line start: "#" there is an ordinary character.
    EXPECT_EQ(read("a\\\n#b"), words{"a#b"});
    // A backslash inside a comment joins nothing.
    EXPECT_EQ(read("# c \\\nx"), words{"x"});
}

TEST_F(Expansion, LongWordsGrowWithoutLimit) {
    std::string word(5000, 'w');
    EXPECT_EQ(read(word + "\n" + word + "x"), (words{word, word + "x"}));
}

TEST_F(Expansion, UnreadableResponseFiles) {
    gcm_words words;  // stays empty
    std::string missing = directory + "/missing";
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(gcm_read_file(missing.c_str(), &words), -1);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Orvanta Command analysis : File not found " + missing + "\n");
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(gcm_read_file(directory.c_str(), &words), -1);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Orvanta Command analysis : File not found " + directory + "\n");
}

TEST_F(Expansion, CommandLine) {
    std::string file = write_file("opts", "-KYV=r.xml\na.xob b.xob\n");
    std::string at = "@" + file;
    std::string option = "-OpTiOn=" + file;
    std::vector<std::string> given = {"$HOME/prog", at, "-opt=" + file, option, "c$HOME", "-option"};
    std::vector<char*> argv;
    for (std::string& word : given) argv.push_back(&word[0]);
    argv.push_back(nullptr);
    int argc = static_cast<int>(given.size());
    char** vector = argv.data();
    ASSERT_EQ(gcm_expand(&argc, &vector), 0);
    EXPECT_EQ(std::vector<std::string>(vector, vector + argc),
              (words{"/u/prog", "-KYV=r.xml", "a.xob", "b.xob", "-opt=" + file, "-KYV=r.xml",
                     "a.xob", "b.xob", "c/u", "-option"}));
    EXPECT_EQ(vector[argc], nullptr);
    take(gcm_expanded, argv);

    std::string bad = "@" + directory + "/missing";
    std::vector<char*> failing = {&given[0][0], &bad[0], nullptr};
    argc = 2;
    vector = failing.data();
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(gcm_expand(&argc, &vector), -1);
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("File not found"), std::string::npos);
}

}  // namespace
