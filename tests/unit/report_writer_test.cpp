#include "report/report_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>

#include "captured_stream.h"
#include "driver/run_settings.h"

namespace {

// Points the report at memory and restarts the numbering of the nodes.
class ReportWriter : public ::testing::Test {
protected:
    void SetUp() override {
        report_stream = out.stream();
        trap_node_number = function_node_number = file_node_number = 1;
        function_depth = 0;
        saved_silent_level = silent_level;
        silent_level = 0;
    }
    void TearDown() override {
        report_stream = nullptr;
        silent_level = saved_silent_level;
    }
    std::string text() { return out.text(); }

    void trap(int level, const char* comment = nullptr) {
        const char* const names[] = {"f"};
        write_trap_line("KYV_160_20", "Functions", level, "/src/f.c", "f.c", 12, 5,
                        "The function '%name%' is directly recursive.", "?", 0, 0, {1, names}, "",
                        comment);
    }

    captured_stream out;
    int saved_silent_level = 0;
};

std::string file_text(const char* path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

}  // namespace

TEST_F(ReportWriter, FileNodeWithVersion) {
    write_file_node("f.c", "/src/f.c", 2, "Wed Dec 09 12:02:42 2015", "1.4");
    close_file_node();
    EXPECT_EQ(text(),
              "<XROD:NODE name=\"f.c\" type=\"Files .c\" state=\"ko\" sum=\"1\" "
              "icone=\"referencefile.xpm\" base=\"/src/f.c\">\n"
              "<SECTION TAG=\"ccF1\">\n"
              "<TITLE LEVEL=\"0\" TAG=\"cctF1\" STYLE=\"Title1 Failed\">\n"
              "<LINK TARGET=\" line 1\" >\n"
              "<TEXT STYLE=\"Title1 Failed\" >/src/f.c</TEXT>\n"
              "</LINK>\n</TITLE>\n<TABLE BORDER=\"1\">\n"
              "<ROW>\n<CELL_TEXT STYLE=\"Array\">File date</CELL_TEXT>\n"
              "<CELL_TEXT STYLE=\"Array\">Wed Dec 09 12:02:42 2015</CELL_TEXT>\n</ROW>\n"
              "<ROW>\n<CELL_TEXT STYLE=\"Array\">File version</CELL_TEXT>\n"
              "<CELL_TEXT STYLE=\"Array\">1.4</CELL_TEXT>\n</ROW>\n"
              "<ROW>\n<CELL_TEXT STYLE=\"Array\">Number of errors and warnings</CELL_TEXT>\n"
              "<CELL_TEXT STYLE=\"Array Failed\">2</CELL_TEXT>\n</ROW>\n"
              "</TABLE>\n</SECTION>\n</XROD:NODE>\n");
    EXPECT_EQ(file_node_number, 2);
}

TEST_F(ReportWriter, FileWithoutExtensionOrVersionPasses) {
    write_file_node("Makefile", "/src/Makefile", 0, "d", nullptr);
    std::string node = text();
    EXPECT_NE(node.find("name=\"Makefile\" type=\"Files \" state=\"ok\""), std::string::npos);
    EXPECT_NE(node.find("STYLE=\"Title1 Passed\""), std::string::npos);
    EXPECT_NE(node.find("<CELL_TEXT STYLE=\"Array Passed\">0</CELL_TEXT>"), std::string::npos);
    EXPECT_EQ(node.find("File version"), std::string::npos);
    EXPECT_EQ(current_extension, "");
}

TEST_F(ReportWriter, TrapTitleLevelFollowsTheFunctionNode) {
    write_file_node("f.c", "/src/f.c", 1, "d", nullptr);
    write_function_node("main", 1, "/src/f.c", 10);
    trap(2);
    close_function_node();
    trap(1);
    std::string report = text();
    EXPECT_NE(report.find("<XROD:NODE name=\"main\" type=\"Files .c\" icone=\"method.xpm\">\n"
                          "<TITLE LEVEL=\"1\" TAG=\"ccM1\" STYLE=\"Title2 Failed\">\n"
                          "<LINK TARGET=\"/src/f.c line 10\">\n"
                          "<TEXT STYLE=\"Title2 Failed\">main</TEXT>\n</LINK>\n</TITLE>\n"),
              std::string::npos);
    EXPECT_NE(report.find("<XROD:NODE name=\"KYV_160_20\" type=\"Error Functions\" "
                          "icone=\"pvi_error.xpm\">\n"
                          "<TITLE LEVEL=\"2\" TAG=\"ccl1\" STYLE=\"Title3 Failed\">\n"
                          "<LINK TARGET=\" line 12\">\n<TEXT>line 12 row 5: KYV_160_20 </TEXT>\n"
                          "</LINK>\n</TITLE>\n"
                          "<TEXT>Error: The function ''f'' is directly recursive.</TEXT>\n"
                          "</XROD:NODE>\n</XROD:NODE>\n"),
              std::string::npos);
    EXPECT_NE(report.find("<XROD:NODE name=\"KYV_160_20\" type=\"Warning Functions\" "
                          "icone=\"pvi_warning.xpm\">\n"
                          "<TITLE LEVEL=\"1\" TAG=\"ccl2\" STYLE=\"Warning\">\n"),
              std::string::npos);
    EXPECT_EQ(trap_node_number, 3);
    EXPECT_EQ(function_node_number, 2);
}

TEST_F(ReportWriter, JustifiedTrapCarriesItsComment) {
    trap(3, "checked by <review> & test");
    EXPECT_NE(text().find("type=\"Justified Functions\" icone=\"pvi_info.xpm\">\n"
                          "<TITLE LEVEL=\"1\" TAG=\"ccl1\" STYLE=\"Title3\">\n"),
              std::string::npos);
    EXPECT_NE(text().find("<TEXT>Justified: The function ''f'' is directly recursive.</TEXT>\n"
                          "<PARAGRAPH><TEXT>checked by &lt;review> &amp; test</TEXT></PARAGRAPH>\n"
                          "</XROD:NODE>\n"),
              std::string::npos);
}

TEST_F(ReportWriter, LevelZeroAndRowZero) {
    trap(0);
    EXPECT_EQ(text(), "");
    EXPECT_EQ(trap_node_number, 1);
    write_trap_line("R", "G", 1, "/p", "p", 3, 0, "m", "?", 0, 0, {0, nullptr}, "", nullptr);
    EXPECT_NE(text().find("<TEXT>line 3: R </TEXT>"), std::string::npos);
}

TEST_F(ReportWriter, ConsoleEchoStopsAtTheSilentLevel) {
    silent_level = 2;
    testing::internal::CaptureStdout();
    for (int i = 0; i < 5; ++i) trap(2);
    std::fflush(stdout);
    std::string console = testing::internal::GetCapturedStdout();
    EXPECT_EQ(console,
              "[f.c:12:5]     KYV_160_20 Error: The function 'f' is directly recursive.\n"
              "[f.c:12:5]     KYV_160_20 Error: The function 'f' is directly recursive.\n");
    // Without a report the number stays 1: every trap is echoed.
    EXPECT_EQ(trap_node_number, 6);
    report_stream = nullptr;
    trap_node_number = 1;
    testing::internal::CaptureStdout();
    for (int i = 0; i < 5; ++i) trap(2);
    std::fflush(stdout);
    console = testing::internal::GetCapturedStdout();
    EXPECT_EQ(std::count(console.begin(), console.end(), '\n'), 5);
    EXPECT_EQ(trap_node_number, 1);
}

TEST_F(ReportWriter, NamesFromInputAreMadeSafe) {
    write_file_node("a&b<c>.c", "/src/\"q\"/a&b<c>.c", 0, "d", "v<1>");
    write_function_node("operator<", 0, "/src/\"q\"/a&b<c>.c", 3);
    std::string report = text();
    EXPECT_NE(report.find("name=\"a&amp;b&lt;c>.c\""), std::string::npos);
    EXPECT_NE(report.find("base=\"/src/&quot;q&quot;/a&amp;b&lt;c>.c\""), std::string::npos);
    EXPECT_NE(report.find(">/src/\"q\"/a&amp;b&lt;c>.c</TEXT>"), std::string::npos);
    EXPECT_NE(report.find(">v&lt;1></CELL_TEXT>"), std::string::npos);
    EXPECT_NE(report.find("<TEXT STYLE=\"Title2 Passed\">operator&lt;</TEXT>"), std::string::npos);
}

TEST(ReportFile, PrologueCommentsAndClosing) {
    std::string path = ::testing::TempDir() + "review.xrd";
    open_report(path.c_str(), path.c_str());
    ASSERT_NE(report_stream, nullptr);
    setenv("TZ", "UTC", 1);
    tzset();
    std::time_t date = 1449662562;
    note_xob("a.xob", &date, "kyvcc --std=c99 a.c");
    note_xob("b.xob", nullptr, nullptr);
    close_report();
    EXPECT_EQ(report_stream, nullptr);
    std::string expected = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<XROD>\n<APIDOC>\n"
                           "<DOCUMENT TITLE=\"" + path + "\" TAG=\"review_xrd\">\n"
                           "<!-- xob: a.xob \n"
                           "   generated : Wed Dec 09 12:02:42 2015\n"
                           "   generate command : kyvcc - -std=c99 a.c\n"
                           "-->\n"
                           "<!-- xob: b.xob \n"
                           "   generated : ???\n"
                           "   generate command : ??? -->\n"
                           "</DOCUMENT>\n</APIDOC>\n</XROD>\n";
    EXPECT_EQ(file_text(path.c_str()), expected);
    std::remove(path.c_str());
}

TEST(ReportFile, NoPathOrAnUncreatableFileLeavesNoStream) {
    open_report(nullptr, nullptr);
    EXPECT_EQ(report_stream, nullptr);
    open_report("x", "/nonexistent-directory/x.xml");
    EXPECT_EQ(report_stream, nullptr);
    note_xob("a.xob", nullptr, nullptr);  // nothing to write into, and no crash
    close_report();
}

TEST(ReportFileDeath, AFailedWriteIsAFatalError) {
    EXPECT_EXIT(
        {
            open_report("full", "/dev/full");
            close_report();
        },
        ::testing::ExitedWithCode(7), "Cannot write report file /dev/full");
}
