#include "report/summary.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "captured_stream.h"
#include "report/report_writer.h"

namespace {

std::string temp_path(const char* name) { return ::testing::TempDir() + name; }

void write_file(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

std::string rows_of(const std::string& header_text) {
    std::string path = temp_path("rows.hdr");
    write_file(path, header_text);
    captured_stream out;
    std::FILE* header = std::fopen(path.c_str(), "rb");
    write_header_rows(out.stream(), header);
    std::fclose(header);
    std::remove(path.c_str());
    return out.text();
}

const summary_counts COUNTS = {3, 1, 0, 2};

const char BLOCK[] =
    "-CodeReview summary\nAnalyzed files=3\nFiles with errors or warnings=1\n"
    "Number of warnings=2\nNumber of errors=0\n";

}  // namespace

TEST(HeaderFile, LinesAreClassifiedEqualsSignFirst) {
    EXPECT_EQ(classify_header_line("-CodeReview summary\n"), header_line::end);
    EXPECT_EQ(classify_header_line("-a=b\n"), header_line::end);
    EXPECT_EQ(classify_header_line("Project=alpha\n"), header_line::row);
    EXPECT_EQ(classify_header_line("#a=b\n"), header_line::row);
    EXPECT_EQ(classify_header_line("$x=1\n"), header_line::row);
    EXPECT_EQ(classify_header_line("#Build\n"), header_line::sub_title);
    EXPECT_EQ(classify_header_line("$Id$\n"), header_line::ignored);
    EXPECT_EQ(classify_header_line("Owner\n"), header_line::title);
    EXPECT_EQ(classify_header_line("\n"), header_line::title);
}

TEST(HeaderFile, RowsSubTitlesAndTitlesStopAtTheFirstSummary) {
    EXPECT_EQ(rows_of(std::string("Project=alpha\n#Build\n$Id$\nOwner\n") + BLOCK + "Late=1\n"),
              "<ROW STYLE=\"Array\">\n<CELL_TEXT COLSPAN=\"0\" ROWSPAN=\"0\">Project</CELL_TEXT>\n"
              "<CELL_TEXT COLSPAN=\"0\" ROWSPAN=\"0\" STYLE=\"Array\">alpha\n</CELL_TEXT>\n</ROW>\n"
              "</TABLE><TITLE LEVEL=\"0\" STYLE=\"Title3\"><TEXT>Build\n</TEXT></TITLE>\n"
              "<TABLE BORDER=\"1\">\n"
              "<ROW STYLE=\"Array Title\">\n <CELL_TEXT COLSPAN=\"1\" ROWSPAN=\"0\">Owner\n"
              "</CELL_TEXT>\n</ROW>\n");
}

TEST(HeaderFile, LongLinesComeInPiecesAndMarkupIsMadeSafe) {
    std::string rows = rows_of(std::string(1500, 'x') + "\nA<B=x&y\n");
    std::string first_piece = std::string(HEADER_PIECE, 'x');
    EXPECT_NE(rows.find(">" + first_piece + "</CELL_TEXT>"), std::string::npos);
    EXPECT_NE(rows.find(">" + std::string(1500 - HEADER_PIECE, 'x') + "\n</CELL_TEXT>"),
              std::string::npos);
    EXPECT_NE(rows.find(">A&lt;B</CELL_TEXT>"), std::string::npos);
    EXPECT_NE(rows.find(">x&amp;y\n</CELL_TEXT>"), std::string::npos);
}

TEST(HeaderFile, SummaryIsAppendedOnALineOfItsOwn) {
    std::string path = temp_path("append.hdr");
    write_file(path, "Project=alpha\nOwner");
    EXPECT_TRUE(append_summary(path.c_str(), COUNTS));
    EXPECT_TRUE(append_summary(path.c_str(), COUNTS));
    EXPECT_EQ(read_file(path), std::string("Project=alpha\nOwner\n") + BLOCK + BLOCK);
    std::remove(path.c_str());
    // A missing file is created.
    EXPECT_TRUE(append_summary(path.c_str(), COUNTS));
    EXPECT_EQ(read_file(path), BLOCK);
    std::remove(path.c_str());
    // A file that cannot be opened is skipped without complaint; a full disk is a failure.
    EXPECT_TRUE(append_summary("/nonexistent-directory/h.hdr", COUNTS));
    EXPECT_FALSE(append_summary("/dev/full", COUNTS));
}

TEST(Summary, SectionWithCountsAndHeaderRows) {
    std::string header = temp_path("summary.hdr");
    write_file(header, "Project=alpha\n");
    captured_stream out;
    report_stream = out.stream();
    write_summary("out/r&d.xml", nullptr, header.c_str(), "Thu Jan 01 00:00:00 1970", COUNTS);
    report_stream = nullptr;
    EXPECT_EQ(out.text(),
              "<SECTION TAG=\"ccR1\">\n<TABLE BORDER=\"1\">\n"
              "<ROW STYLE=\"Array Title\">\n<CELL_TEXT COLSPAN=\"1\" ROWSPAN=\"0\">"
              "Orvanta Code Review Report</CELL_TEXT>\n</ROW>\n"
              "<ROW STYLE=\"Array Title\">\n<CELL_TEXT COLSPAN=\"1\" ROWSPAN=\"0\">"
              "Copyright (C) 2026 the Orvanta developers. All rights reserved.</CELL_TEXT>\n</ROW>\n"
              "<ROW>\n<CELL_TEXT STYLE=\"Array\">Configuration file</CELL_TEXT>\n"
              "<CELL_TEXT STYLE=\"Array\">(null)</CELL_TEXT>\n</ROW>\n"
              "<ROW>\n<CELL_TEXT STYLE=\"Array\">Report file</CELL_TEXT>\n"
              "<CELL_TEXT STYLE=\"Array\">out/r&amp;d.xml</CELL_TEXT>\n</ROW>\n"
              "<ROW>\n<CELL_TEXT STYLE=\"Array\">Generation time</CELL_TEXT>\n"
              "<CELL_TEXT STYLE=\"Array\">Thu Jan 01 00:00:00 1970</CELL_TEXT>\n</ROW>\n"
              "<ROW>\n<CELL_TEXT STYLE=\"Array\">Analyzed files</CELL_TEXT>\n"
              "<CELL_TEXT STYLE=\"Array\">3</CELL_TEXT>\n</ROW>\n"
              "<ROW>\n<CELL_TEXT STYLE=\"Array Failed\">Files with errors or warnings</CELL_TEXT>\n"
              "<CELL_TEXT STYLE=\"Array Failed\">1</CELL_TEXT>\n</ROW>\n"
              "<ROW>\n<CELL_TEXT STYLE=\"Array Passed\">Number of errors</CELL_TEXT>\n"
              "<CELL_TEXT STYLE=\"Array Passed\">0</CELL_TEXT>\n</ROW>\n"
              "<ROW>\n<CELL_TEXT STYLE=\"Array Failed\">Number of warnings</CELL_TEXT>\n"
              "<CELL_TEXT STYLE=\"Array Failed\">2</CELL_TEXT>\n</ROW>\n"
              "<ROW STYLE=\"Array\">\n<CELL_TEXT COLSPAN=\"0\" ROWSPAN=\"0\">Project</CELL_TEXT>\n"
              "<CELL_TEXT COLSPAN=\"0\" ROWSPAN=\"0\" STYLE=\"Array\">alpha\n</CELL_TEXT>\n</ROW>\n"
              "</TABLE>\n</SECTION>\n");
    EXPECT_EQ(read_file(header), std::string("Project=alpha\n") + BLOCK);
    std::remove(header.c_str());
}

TEST(Summary, NothingWithoutAReportStream) {
    std::string header = temp_path("untouched.hdr");
    std::remove(header.c_str());
    report_stream = nullptr;
    write_summary("r.xml", "rules.xml", header.c_str(), "t", COUNTS);
    EXPECT_FALSE(std::ifstream(header).good());
}
