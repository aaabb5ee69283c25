// The whole report phase over a trap table built by hand. It runs in a child
// that re-executes the test program, so the process-wide tables hold only
// what this test records.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>

#include "driver/run_settings.h"
#include "model/file_table.h"
#include "model/name_table.h"
#include "model/trap_table.h"
#include "model/xob_node.h"
#include "report/report_writer.h"
#include "rules/rule_catalogue.h"

namespace {

xob_node* at(int line, int row) {
    xob_node* position = new_node(a_position);
    position->file = file_index_of(name_intern("/src/f.c"));
    position->line = line;
    position->row = row;
    return position;
}

void record_one_file() {
    name* short_name = name_intern("f.c");
    name* full_path = name_intern("/src/f.c");
    register_file(1, new_source(short_name, full_path, false, nullptr));
    record_file_start(short_name, full_path, 1449662562, false, nullptr);
    record_function_start(name_intern("main"), at(3, 1));
    record_trap(123, at(4, 5), nullptr, name_intern("main"));
    record_function_end(name_intern("main"), at(6, 1));
    record_trap(133, at(8, 1), nullptr, name_intern("unused"));
    record_justify_element("KYV_160_500", at(9, 1), 0, false, name_intern("kept for tests"));
    record_trap(133, at(9, 1), nullptr, name_intern("helper"));
    record_file_end(short_name, full_path);
}

std::string report_of(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    std::string text = content.str();
    // The generation time is the clock's.
    const std::string label = "Generation time</CELL_TEXT>\n<CELL_TEXT STYLE=\"Array\">";
    std::size_t start = text.find(label);
    if (start != std::string::npos) {
        start += label.size();
        text.replace(start, text.find('<', start) - start, "@TIME@");
    }
    return text;
}

const char EXPECTED_AFTER_TITLE[] =
    "<SECTION TAG=\"ccR1\">\n<TABLE BORDER=\"1\">\n"
    "<ROW STYLE=\"Array Title\">\n"
    "<CELL_TEXT COLSPAN=\"1\" ROWSPAN=\"0\">Orvanta Code Review Report</CELL_TEXT>\n</ROW>\n"
    "<ROW STYLE=\"Array Title\">\n"
    "<CELL_TEXT COLSPAN=\"1\" ROWSPAN=\"0\">Copyright (C) 2026 the Orvanta developers. All rights "
    "reserved.</CELL_TEXT>\n</ROW>\n"
    "<ROW>\n<CELL_TEXT STYLE=\"Array\">Configuration file</CELL_TEXT>\n"
    "<CELL_TEXT STYLE=\"Array\">rules.xml</CELL_TEXT>\n</ROW>\n"
    "<ROW>\n<CELL_TEXT STYLE=\"Array\">Report file</CELL_TEXT>\n"
    "<CELL_TEXT STYLE=\"Array\">@PATH@</CELL_TEXT>\n</ROW>\n"
    "<ROW>\n<CELL_TEXT STYLE=\"Array\">Generation time</CELL_TEXT>\n"
    "<CELL_TEXT STYLE=\"Array\">@TIME@</CELL_TEXT>\n</ROW>\n"
    "<ROW>\n<CELL_TEXT STYLE=\"Array\">Analyzed files</CELL_TEXT>\n"
    "<CELL_TEXT STYLE=\"Array\">1</CELL_TEXT>\n</ROW>\n"
    "<ROW>\n<CELL_TEXT STYLE=\"Array Failed\">Files with errors or warnings</CELL_TEXT>\n"
    "<CELL_TEXT STYLE=\"Array Failed\">1</CELL_TEXT>\n</ROW>\n"
    "<ROW>\n<CELL_TEXT STYLE=\"Array Failed\">Number of errors</CELL_TEXT>\n"
    "<CELL_TEXT STYLE=\"Array Failed\">1</CELL_TEXT>\n</ROW>\n"
    "<ROW>\n<CELL_TEXT STYLE=\"Array Failed\">Number of warnings</CELL_TEXT>\n"
    "<CELL_TEXT STYLE=\"Array Failed\">1</CELL_TEXT>\n</ROW>\n"
    "</TABLE>\n</SECTION>\n"
    "<XROD:NODE name=\"f.c\" type=\"Files .c\" state=\"ko\" sum=\"1\" icone=\"referencefile.xpm\" "
    "base=\"/src/f.c\">\n"
    "<SECTION TAG=\"ccF1\">\n"
    "<TITLE LEVEL=\"0\" TAG=\"cctF1\" STYLE=\"Title1 Failed\">\n"
    "<LINK TARGET=\" line 1\" >\n"
    "<TEXT STYLE=\"Title1 Failed\" >/src/f.c</TEXT>\n"
    "</LINK>\n</TITLE>\n<TABLE BORDER=\"1\">\n"
    "<ROW>\n<CELL_TEXT STYLE=\"Array\">File date</CELL_TEXT>\n"
    "<CELL_TEXT STYLE=\"Array\">Wed Dec 09 12:02:42 2015</CELL_TEXT>\n</ROW>\n"
    "<ROW>\n<CELL_TEXT STYLE=\"Array\">Number of errors and warnings</CELL_TEXT>\n"
    "<CELL_TEXT STYLE=\"Array Failed\">2</CELL_TEXT>\n</ROW>\n"
    "</TABLE>\n"
    "<XROD:NODE name=\"main\" type=\"Files .c\" icone=\"method.xpm\">\n"
    "<TITLE LEVEL=\"1\" TAG=\"ccM1\" STYLE=\"Title2 Failed\">\n"
    "<LINK TARGET=\"/src/f.c line 3\">\n"
    "<TEXT STYLE=\"Title2 Failed\">main</TEXT>\n</LINK>\n</TITLE>\n"
    "<XROD:NODE name=\"KYV_160_20\" type=\"Error Functions\" icone=\"pvi_error.xpm\">\n"
    "<TITLE LEVEL=\"2\" TAG=\"ccl1\" STYLE=\"Title3 Failed\">\n"
    "<LINK TARGET=\" line 4\">\n<TEXT>line 4 row 5: KYV_160_20 </TEXT>\n</LINK>\n</TITLE>\n"
    "<TEXT>Error: Recursive functions are not allowed. The function ''main'' is directly "
    "recursive.</TEXT>\n"
    "</XROD:NODE>\n"
    "</XROD:NODE>\n"
    "<XROD:NODE name=\"KYV_160_500\" type=\"Warning Functions\" icone=\"pvi_warning.xpm\">\n"
    "<TITLE LEVEL=\"1\" TAG=\"ccl2\" STYLE=\"Warning\">\n"
    "<LINK TARGET=\" line 8\">\n<TEXT>line 8 row 1: KYV_160_500 </TEXT>\n</LINK>\n</TITLE>\n"
    "<TEXT>Warning: The function ''unused'' is never referenced.</TEXT>\n"
    "</XROD:NODE>\n"
    "<XROD:NODE name=\"KYV_160_500\" type=\"Justified Functions\" icone=\"pvi_info.xpm\">\n"
    "<TITLE LEVEL=\"1\" TAG=\"ccl3\" STYLE=\"Title3\">\n"
    "<LINK TARGET=\" line 9\">\n<TEXT>line 9 row 1: KYV_160_500 </TEXT>\n</LINK>\n</TITLE>\n"
    "<TEXT>Justified: The function ''helper'' is never referenced.</TEXT>\n"
    "<PARAGRAPH><TEXT>kept for tests</TEXT></PARAGRAPH>\n"
    "</XROD:NODE>\n"
    "</SECTION>\n</XROD:NODE>\n"
    "<XROD:NODE name=\"desactivated rules\" type=\"desactivated rules\" icone=\"pvi_info.xpm\">\n"
    "<SECTION TAG=\"ccR2\">\n<TEXT> </TEXT>\n"
    "<TABLE WIDTH=\"20,80\" BORDER=\"1\">\n<ROW STYLE=\"Array Title\">\n"
    "<CELL COLSPAN=\"1\">\n<PARAGRAPH ALIGN=\"CENTER\">\n<TEXT >Desactivated rules</TEXT>\n"
    "</PARAGRAPH>\n</CELL>\n</ROW>\n"
    "<ROW STYLE=\"Array\">\n<CELL_TEXT STYLE=\"Array\" >KYV_10_20</CELL_TEXT>\n"
    "<CELL_TEXT STYLE=\"Array\" >Environment &amp; tools</CELL_TEXT>\n</ROW>\n"
    "</TABLE>\n<TEXT> </TEXT>\n</SECTION>\n</XROD:NODE>\n"
    "<XROD:NODE name=\"rules statistics\" type=\"rules statistics\" icone=\"pvi_info.xpm\">\n"
    "<SECTION TAG=\"ccR3\">\n<TEXT> </TEXT>\n"
    "<TABLE WIDTH=\"7,13,80\" BORDER=\"1\">\n<ROW STYLE=\"Array Title\">\n"
    "<CELL COLSPAN=\"2\">\n<PARAGRAPH ALIGN=\"CENTER\">\n<TEXT >Rules statistics</TEXT>\n"
    "</PARAGRAPH>\n</CELL>\n</ROW>\n"
    "<ROW STYLE=\"Array Title\">\n"
    "<CELL><PARAGRAPH ALIGN=\"CENTER\">\n<TEXT >Occurences</TEXT>\n</PARAGRAPH></CELL>\n"
    "<CELL><PARAGRAPH ALIGN=\"CENTER\">\n<TEXT >Rule ID</TEXT>\n</PARAGRAPH></CELL>\n"
    "<CELL_TEXT >  Description</CELL_TEXT>\n</ROW>\n"
    "<ROW STYLE=\"Array\">\n<CELL><PARAGRAPH ALIGN=\"RIGHT\">\n<TEXT  >1   </TEXT>\n"
    "</PARAGRAPH></CELL>\n<CELL_TEXT  > KYV_160_500</CELL_TEXT>\n<CELL>\n"
    "<IMAGE NAME=\"pvi_warning.xpm\" />\n"
    "<TEXT > The function '%name%' is never referenced.</TEXT>\n</CELL>\n</ROW>\n"
    "<ROW STYLE=\"Array\">\n<CELL><PARAGRAPH ALIGN=\"RIGHT\">\n<TEXT  >1   </TEXT>\n"
    "</PARAGRAPH></CELL>\n<CELL_TEXT  > KYV_160_20</CELL_TEXT>\n<CELL>\n"
    "<IMAGE NAME=\"pvi_error.xpm\" />\n"
    "<TEXT > Recursive functions are not allowed. The function '%name%' is directly "
    "recursive.</TEXT>\n</CELL>\n</ROW>\n"
    "</TABLE>\n<TEXT> </TEXT>\n</SECTION>\n</XROD:NODE>\n"
    "</DOCUMENT>\n</APIDOC>\n</XROD>\n";

// Runs the phase and exits 0 when the report is the expected one.
[[noreturn]] void run_phase_and_compare(const std::string& path) {
    setenv("TZ", "UTC", 1);
    tzset();
    silent_level = 0;
    rule_configure("KYV_10_20", "", "Environment & tools", "", 0, 0, "Environment");
    rules_finalise();
    open_report(path.c_str(), path.c_str());
    record_one_file();
    write_report(path.c_str(), "rules.xml", nullptr);
    std::string expected = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<XROD>\n<APIDOC>\n"
                           "<DOCUMENT TITLE=\"" + path + "\" TAG=\"phase_report_xml\">\n";
    expected += EXPECTED_AFTER_TITLE;
    expected.replace(expected.find("@PATH@"), 6, path);
    std::string actual = report_of(path);
    if (actual != expected) std::fprintf(stderr, "report differs:\n%s", actual.c_str());
    std::exit(actual == expected ? 0 : 1);
}

}  // namespace

TEST(ReportPhaseDeathTest, WholeReportFromTheTrapTable) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    std::string path = ::testing::TempDir() + "phase_report.xml";
    EXPECT_EXIT(run_phase_and_compare(path), ::testing::ExitedWithCode(0), "");
    std::remove(path.c_str());
}
