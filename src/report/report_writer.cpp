#include "report/report_writer.h"

#include "driver/run_settings.h"
#include "messages/messages.h"
#include "messages/time_text.h"
#include "report/console_line.h"
#include "report/output_file.h"
#include "report/output_text.h"
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
    report_stream = open_output_file(path);
    if (!report_stream) return;
    unlocked_output(report_stream);
    report_path = path;
    put_text("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<XROD>\n<APIDOC>\n<DOCUMENT TITLE=\"",
               report_stream);
    write_escaped(report_stream, title);
    put_text("\" TAG=\"", report_stream);
    write_escaped(report_stream, report_tag(title ? title : "").c_str());
    put_text("\">\n", report_stream);
}

void note_xob(const char* xob_name, const std::time_t* date, const char* command) {
    if (!report_stream) return;
    put_text("<!-- xob: ", report_stream);
    write_xml(report_stream, xob_name ? xob_name : "", xml_place::comment);
    put_text(" \n", report_stream);
    if (date) std::fprintf(report_stream, "   generated : %s", local_time_text(*date));
    else put_text("   generated : ???\n", report_stream);
    if (command) {
        put_text("   generate command : ", report_stream);
        write_xml(report_stream, command, xml_place::comment);
        put_text("\n", report_stream);
    } else {
        put_text("   generate command : ??? ", report_stream);
    }
    put_text("-->\n", report_stream);
}

void write_file_node(const char* short_name, const char* full_path, int count,
                     const char* date_text, const char* version) {
    const char* name = base_name(short_name ? short_name : "");
    current_extension = extension_of(name);
    if (!report_stream) return;
    std::FILE* out = report_stream;
    const char* result = result_of(count);
    put_text("<XROD:NODE name=\"", out);
    attribute(name);
    put_text("\" type=\"Files ", out);
    attribute(current_extension.c_str());
    put_text("\" state=\"", out);
    put_text(file_state_of(count), out);
    put_text("\" sum=\"1\" icone=\"referencefile.xpm\" base=\"", out);
    attribute(full_path);
    put_text("\">\n", out);
    put_text("<SECTION TAG=\"ccF", out);
    write_number(out, file_node_number);
    put_text("\">\n<TITLE LEVEL=\"0\" TAG=\"cctF", out);
    write_number(out, file_node_number);
    put_text("\" STYLE=\"Title1 ", out);
    put_text(result, out);
    put_text("\">\n<LINK TARGET=\" line 1\" >\n<TEXT STYLE=\"Title1 ", out);
    put_text(result, out);
    put_text("\" >", out);
    text(full_path);
    put_text("</TEXT>\n</LINK>\n</TITLE>\n<TABLE BORDER=\"1\">\n", out);
    put_text("<ROW>\n<CELL_TEXT STYLE=\"Array\">File date</CELL_TEXT>\n"
               "<CELL_TEXT STYLE=\"Array\">", out);
    text(date_text);
    put_text("</CELL_TEXT>\n</ROW>\n", out);
    if (version) {
        put_text("<ROW>\n<CELL_TEXT STYLE=\"Array\">File version</CELL_TEXT>\n"
                   "<CELL_TEXT STYLE=\"Array\">", out);
        text(version);
        put_text("</CELL_TEXT>\n</ROW>\n", out);
    }
    put_text("<ROW>\n<CELL_TEXT STYLE=\"Array\">Number of errors and warnings</CELL_TEXT>\n", out);
    put_text("<CELL_TEXT STYLE=\"Array ", out);
    put_text(result, out);
    put_text("\">", out);
    write_number(out, count);
    put_text("</CELL_TEXT>\n</ROW>\n", out);
    put_text("</TABLE>\n", out);
    ++file_node_number;
}

void write_function_node(const char* name, int count, const char* full_path, int line) {
    function_depth = 1;
    if (!report_stream) return;
    std::FILE* out = report_stream;
    const char* result = result_of(count);
    put_text("<XROD:NODE name=\"", out);
    attribute(name);
    put_text("\" type=\"Files ", out);
    attribute(current_extension.c_str());
    put_text("\" icone=\"method.xpm\">\n", out);
    put_text("<TITLE LEVEL=\"1\" TAG=\"ccM", out);
    write_number(out, function_node_number);
    put_text("\" STYLE=\"Title2 ", out);
    put_text(result, out);
    put_text("\">\n<LINK TARGET=\"", out);
    attribute(full_path);
    put_text(" line ", out);
    write_number(out, line);
    put_text("\">\n<TEXT STYLE=\"Title2 ", out);
    put_text(result, out);
    put_text("\">", out);
    text(name);
    put_text("</TEXT>\n</LINK>\n</TITLE>\n", out);
    ++function_node_number;
}

void close_function_node() {
    function_depth = 0;
    if (report_stream) put_text("</XROD:NODE>\n", report_stream);
}

void close_file_node() {
    if (report_stream) put_text("</SECTION>\n</XROD:NODE>\n", report_stream);
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
    put_text("<XROD:NODE name=\"", out);
    attribute(rule_name);
    put_text("\" type=\"", out);
    put_text(display.state, out);
    put_char(' ', out);
    attribute(group);
    put_text("\" icone=\"", out);
    put_text(display.icon, out);
    put_text("\">\n<TITLE LEVEL=\"", out);
    write_number(out, 1 + function_depth);
    put_text("\" TAG=\"ccl", out);
    write_number(out, trap_node_number);
    put_text("\" STYLE=\"", out);
    put_text(display.title_style, out);
    put_text("\">\n<LINK TARGET=\" line ", out);
    write_number(out, line);
    put_text("\">\n<TEXT>line ", out);
    write_number(out, line);
    if (row != 0) {
        put_text(" row ", out);
        write_number(out, row);
    }
    put_text(": ", out);
    text(rule_name);
    put_text(" </TEXT>\n</LINK>\n</TITLE>\n", out);
    put_text("<TEXT>", out);
    put_text(display.state, out);
    put_text(": ", out);
    write_trap_message(out, trap_message{message_template, full_path, second_path, second_line,
                                         second_row, names, param});
    put_text("</TEXT>\n", out);
    if (comment) {
        put_text("<PARAGRAPH><TEXT>", out);
        text(comment);
        put_text("</TEXT></PARAGRAPH>\n", out);
    }
    put_text("</XROD:NODE>\n", out);
    ++trap_node_number;
}

const report_sink report_writer_sink = {write_file_node, write_function_node, close_function_node,
                                        close_file_node, write_trap_line};

void close_report() {
    if (!report_stream) return;
    put_text("</DOCUMENT>\n</APIDOC>\n</XROD>\n", report_stream);
    bool failed = std::ferror(report_stream) != 0;
    failed = std::fclose(report_stream) != 0 || failed;
    report_stream = nullptr;
    if (failed) fatal("Fatal Error", "Cannot write report file %1", "", report_path.c_str());
}
