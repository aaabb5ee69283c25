#include "parse/rule_file_path.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

namespace {

// An installed tree (PREFIX/bin, PREFIX/share/kyvld/focused.xml) and a
// working folder, in a fresh temporary folder; the test runs inside the
// working folder and comes back out.
class RuleFilePath : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/rule-file-path-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        top = pattern;
        for (const char* folder : {"/prefix", "/prefix/bin", "/prefix/share", "/prefix/share/kyvld", "/work",
                                   "/work/config", "/work/folder.xml"})
            ASSERT_EQ(mkdir((top + folder).c_str(), 0755), 0);
        for (const char* file : {"/prefix/share/kyvld/focused.xml", "/prefix/share/kyvld/strict.xml",
                                 "/work/local", "/work/config/focused.xml"})
            std::ofstream(top + file) << "<?xml version=\"1.0\"?>\n";
        ASSERT_TRUE(getcwd(saved_folder, sizeof saved_folder));
        ASSERT_EQ(chdir((top + "/work").c_str()), 0);
    }
    void TearDown() override {
        ASSERT_EQ(chdir(saved_folder), 0);
        ASSERT_EQ(std::system(("rm -rf '" + top + "'").c_str()), 0);
    }
    std::string top;
    char saved_folder[4096];
};

TEST_F(RuleFilePath, BareNamesFindInstalledProfilesAndFilesKeepTheirMeaning) {
    const std::string bin = top + "/prefix/bin";
    const std::string installed = top + "/prefix/share/kyvld/";
    struct {
        const char* given;
        std::string program_folder;
        std::string expected;
    } cases[] = {
        {"focused", bin, installed + "focused.xml"},
        {"focused.xml", bin, installed + "focused.xml"},
        {"strict", bin, installed + "strict.xml"},
        {"local", bin, "local"},                              // a file here wins
        {"folder.xml", bin, "folder.xml"},                    // so does any entry
        {"config/focused.xml", bin, "config/focused.xml"},    // a path is a path
        {"./focused", bin, "./focused"},
        {"missing", bin, "missing"},                          // refused under its own name
        {"focused", "", "focused"},                           // program folder unknown
        {"focused", top + "/work", "focused"},                // nothing installed there
        {"", bin, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(rule_file_path(c.given, c.program_folder), c.expected) << c.given << " from " << c.program_folder;
}

TEST(RunningProgramFolder, IsTheFolderOfThisTestProgram) {
    const std::string folder = running_program_folder();
    ASSERT_FALSE(folder.empty());
    struct stat info;
    EXPECT_EQ(stat((folder + "/kyv_unit_tests").c_str(), &info), 0) << folder;
}

}  // namespace
