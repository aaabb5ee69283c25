#include "report/report_writer.h"

#include "driver/run_settings.h"
#include "messages/messages.h"
#include "messages/time_text.h"
#include "report/console_line.h"
#include "report/report_names.h"
#include "report/report_tables.h"
#include "report/trap_message.h"
#include "report/xml_text.h"

std::FILE* report_stream = nullptr;
std::string report_path;
int trap_node_number = 1;
int function_node_number = 1;
int file_node_number = 1;
int function_depth = 0;
std::string current_extension;

namespace {

void text(const char* value) { write_xml(report_stream, value, xml_place::element_text); }
void attribute(const char* value) { write_xml(report_stream, value, xml_place::attribute_value); }

}  // namespace

void open_report(const char* title, const char* path) {
    if (!path) return;
    report_stream = std::fopen(path, "wb");
    if (!report_stream) return;
    unlocked_output(report_stream);
    report_path = path;
    std::fputs("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<XROD>\n<APIDOC>\n<DOCUMENT TITLE=\"",
               report_stream);
    write_escaped(report_stream, title);
    std::fputs("\" TAG=\"", report_stream);
    write_escaped(report_stream, report_tag(title ? title : "").c_str());
    std::fputs("\">\n", report_stream);
}

void note_xob(const char* xob_name, const std::time_t* date, const char* command) {
    if (!report_stream) return;
    std::fputs("<!-- xob: ", report_stream);
    write_xml(report_stream, xob_name ? xob_name : "", xml_place::comment);
    std::fputs(" \n", report_stream);
    if (date) std::fprintf(report_stream, "   generated : %s", local_time_text(*date));
    else std::fputs("   generated : ???\n", report_stream);
    if (command) {
        std::fputs("   generate command : ", report_stream);
        write_xml(report_stream, command, xml_place::comment);
        std::fputs("\n", report_stream);
    } else {
        std::fputs("   generate command : ??? ", report_stream);
    }
    std::fputs("-->\n", report_stream);
}

void write_file_node(const char* short_name, const char* full_path, int count,
                     const char* date_text, const char* version) {
    const char* name = base_name(short_name ? short_name : "");
    current_extension = extension_of(name);
    if (!report_stream) return;
    std::FILE* out = report_stream;
    const char* result = result_of(count);
    std::fputs("<XROD:NODE name=\"", out);
    attribute(name);
    std::fputs("\" type=\"Files ", out);
    attribute(current_extension.c_str());
    std::fputs("\" state=\"", out);
    std::fputs(file_state_of(count), out);
    std::fputs("\" sum=\"1\" icone=\"referencefile.xpm\" base=\"", out);
    attribute(full_path);
    std::fputs("\">\n", out);
    std::fputs("<SECTION TAG=\"ccF", out);
    write_number(out, file_node_number);
    std::fputs("\">\n<TITLE LEVEL=\"0\" TAG=\"cctF", out);
    write_number(out, file_node_number);
    std::fputs("\" STYLE=\"Title1 ", out);
    std::fputs(result, out);
    std::fputs("\">\n<LINK TARGET=\" line 1\" >\n<TEXT STYLE=\"Title1 ", out);
    std::fputs(result, out);
    std::fputs("\" >", out);
    text(full_path);
    std::fputs("</TEXT>\n</LINK>\n</TITLE>\n<TABLE BORDER=\"1\">\n", out);
    std::fputs("<ROW>\n<CELL_TEXT STYLE=\"Array\">File date</CELL_TEXT>\n"
               "<CELL_TEXT STYLE=\"Array\">", out);
    text(date_text);
    std::fputs("</CELL_TEXT>\n</ROW>\n", out);
    if (version) {
        std::fputs("<ROW>\n<CELL_TEXT STYLE=\"Array\">File version</CELL_TEXT>\n"
                   "<CELL_TEXT STYLE=\"Array\">", out);
        text(version);
        std::fputs("</CELL_TEXT>\n</ROW>\n", out);
    }
    std::fputs("<ROW>\n<CELL_TEXT STYLE=\"Array\">Number of errors and warnings</CELL_TEXT>\n", out);
    std::fputs("<CELL_TEXT STYLE=\"Array ", out);
    std::fputs(result, out);
    std::fputs("\">", out);
    write_number(out, count);
    std::fputs("</CELL_TEXT>\n</ROW>\n", out);
    std::fputs("</TABLE>\n", out);
    ++file_node_number;
}

void write_function_node(const char* name, int count, const char* full_path, int line) {
    function_depth = 1;
    if (!report_stream) return;
    std::FILE* out = report_stream;
    const char* result = result_of(count);
    std::fputs("<XROD:NODE name=\"", out);
    attribute(name);
    std::fputs("\" type=\"Files ", out);
    attribute(current_extension.c_str());
    std::fputs("\" icone=\"method.xpm\">\n", out);
    std::fputs("<TITLE LEVEL=\"1\" TAG=\"ccM", out);
    write_number(out, function_node_number);
    std::fputs("\" STYLE=\"Title2 ", out);
    std::fputs(result, out);
    std::fputs("\">\n<LINK TARGET=\"", out);
    attribute(full_path);
    std::fputs(" line ", out);
    write_number(out, line);
    std::fputs("\">\n<TEXT STYLE=\"Title2 ", out);
    std::fputs(result, out);
    std::fputs("\">", out);
    text(name);
    std::fputs("</TEXT>\n</LINK>\n</TITLE>\n", out);
    ++function_node_number;
}

void close_function_node() {
    function_depth = 0;
    if (report_stream) std::fputs("</XROD:NODE>\n", report_stream);
}

void close_file_node() {
    if (report_stream) std::fputs("</SECTION>\n</XROD:NODE>\n", report_stream);
}

void write_trap_line(const char* rule_name, const char* group, int level, const char* full_path,
                     const char* short_name, int line, int row, const char* message_template,
                     const char* second_path, int second_line, int second_row, trap_names names,
                     const char* param, const char* comment) {
    if (level <= 0) return;
    if (console_echo_allowed(silent_level, trap_node_number))
        print_trap_line(short_name, line, row, rule_name, level, message_template, second_path,
                        second_line, second_row, names, param);
    if (!report_stream) return;
    std::FILE* out = report_stream;
    const display_row& display = display_of(level);
    std::fputs("<XROD:NODE name=\"", out);
    attribute(rule_name);
    std::fputs("\" type=\"", out);
    std::fputs(display.state, out);
    std::fputc(' ', out);
    attribute(group);
    std::fputs("\" icone=\"", out);
    std::fputs(display.icon, out);
    std::fputs("\">\n<TITLE LEVEL=\"", out);
    write_number(out, 1 + function_depth);
    std::fputs("\" TAG=\"ccl", out);
    write_number(out, trap_node_number);
    std::fputs("\" STYLE=\"", out);
    std::fputs(display.title_style, out);
    std::fputs("\">\n<LINK TARGET=\" line ", out);
    write_number(out, line);
    std::fputs("\">\n<TEXT>line ", out);
    write_number(out, line);
    if (row != 0) {
        std::fputs(" row ", out);
        write_number(out, row);
    }
    std::fputs(": ", out);
    text(rule_name);
    std::fputs(" </TEXT>\n</LINK>\n</TITLE>\n", out);
    std::fputs("<TEXT>", out);
    std::fputs(display.state, out);
    std::fputs(": ", out);
    write_trap_message(out, trap_message{message_template, full_path, second_path, second_line,
                                         second_row, names, param});
    std::fputs("</TEXT>\n", out);
    if (comment) {
        std::fputs("<PARAGRAPH><TEXT>", out);
        text(comment);
        std::fputs("</TEXT></PARAGRAPH>\n", out);
    }
    std::fputs("</XROD:NODE>\n", out);
    ++trap_node_number;
}

const report_sink report_writer_sink = {write_file_node, write_function_node, close_function_node,
                                        close_file_node, write_trap_line};

void close_report() {
    if (!report_stream) return;
    std::fputs("</DOCUMENT>\n</APIDOC>\n</XROD>\n", report_stream);
    bool failed = std::ferror(report_stream) != 0;
    failed = std::fclose(report_stream) != 0 || failed;
    report_stream = nullptr;
    if (failed) fatal("Fatal Error", "Cannot write report file %1", "", report_path.c_str());
}
