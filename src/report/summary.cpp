#include "report/summary.h"

#include <sys/stat.h>

#include <cstring>

#include "messages/messages.h"
#include "report/output_text.h"
#include "report/report_tables.h"
#include "report/report_writer.h"
#include "report/xml_text.h"

namespace {

// The rights holder's line under the title of the summary table.
const char NOTICE[] = "Copyright (C) 2026 the Orvanta developers. All rights reserved.";

void text(std::FILE* stream, const char* value) {
    write_xml(stream, value, xml_place::element_text);
}

void count_row(std::FILE* out, const char* label, int count) {
    const char* result = result_of(count);
    std::fprintf(out, "<ROW>\n<CELL_TEXT STYLE=\"Array %s\">%s</CELL_TEXT>\n", result, label);
    std::fprintf(out, "<CELL_TEXT STYLE=\"Array %s\">%d</CELL_TEXT>\n</ROW>\n", result, count);
}

// Rows come from a regular file or a pipe, which end; a device such as
// /dev/zero never does.
std::FILE* open_header_rows(const char* header_file) {
    std::FILE* header = std::fopen(header_file, "rb");
    if (!header) return nullptr;
    struct stat status;
    if (fstat(fileno(header), &status) != 0 ||
        !(S_ISREG(status.st_mode) || S_ISFIFO(status.st_mode))) {
        std::fclose(header);
        return nullptr;
    }
    return header;
}

bool ends_with_line_feed(std::FILE* file) {
    if (std::fseek(file, 0, SEEK_END) != 0) return true;
    long size = std::ftell(file);
    if (size <= 0) return true;
    if (std::fseek(file, -1, SEEK_END) != 0) return true;
    return std::fgetc(file) == '\n';
}

}  // namespace

header_line classify_header_line(const char* line) {
    if (line[0] == '-') return header_line::end;
    if (std::strchr(line, '=')) return header_line::row;
    if (line[0] == '#') return header_line::sub_title;
    if (line[0] == '$') return header_line::ignored;
    return header_line::title;
}

void write_header_rows(std::FILE* out, std::FILE* header) {
    char piece[HEADER_PIECE + 1];
    while (std::fgets(piece, sizeof piece, header)) {
        switch (classify_header_line(piece)) {
            case header_line::end:
                return;
            case header_line::row: {
                char* equals = std::strchr(piece, '=');
                *equals = '\0';
                put_text("<ROW STYLE=\"Array\">\n<CELL_TEXT COLSPAN=\"0\" ROWSPAN=\"0\">", out);
                text(out, piece);
                put_text("</CELL_TEXT>\n<CELL_TEXT COLSPAN=\"0\" ROWSPAN=\"0\" STYLE=\"Array\">",
                           out);
                text(out, equals + 1);
                put_text("</CELL_TEXT>\n</ROW>\n", out);
                break;
            }
            case header_line::sub_title:
                put_text("</TABLE><TITLE LEVEL=\"0\" STYLE=\"Title3\"><TEXT>", out);
                text(out, piece + 1);
                put_text("</TEXT></TITLE>\n<TABLE BORDER=\"1\">\n", out);
                break;
            case header_line::ignored:
                break;
            case header_line::title:
                put_text("<ROW STYLE=\"Array Title\">\n <CELL_TEXT COLSPAN=\"1\" ROWSPAN=\"0\">",
                           out);
                text(out, piece);
                put_text("</CELL_TEXT>\n</ROW>\n", out);
                break;
        }
    }
}

bool append_summary(const char* header_file, const summary_counts& counts) {
    std::FILE* file = std::fopen(header_file, "a+b");
    if (!file) return true;
    // A last line without its line feed would run into the block.
    bool separate = !ends_with_line_feed(file);
    std::fseek(file, 0, SEEK_END);
    if (separate) put_char('\n', file);
    std::fprintf(file,
                 "-CodeReview summary\nAnalyzed files=%d\nFiles with errors or warnings=%d\n"
                 "Number of warnings=%d\nNumber of errors=%d\n",
                 counts.file_count, counts.files_with_traps, counts.warnings, counts.errors);
    bool failed = std::ferror(file) != 0;
    failed = std::fclose(file) != 0 || failed;
    return !failed;
}

void write_summary(const char* report_name, const char* rule_file, const char* header_file,
                   const char* time_text, const summary_counts& counts) {
    std::FILE* out = report_stream;
    if (!out) return;
    put_text("<SECTION TAG=\"ccR1\">\n<TABLE BORDER=\"1\">\n", out);
    put_text("<ROW STYLE=\"Array Title\">\n<CELL_TEXT COLSPAN=\"1\" ROWSPAN=\"0\">"
               "Orvanta Code Review Report</CELL_TEXT>\n</ROW>\n", out);
    std::fprintf(out, "<ROW STYLE=\"Array Title\">\n<CELL_TEXT COLSPAN=\"1\" ROWSPAN=\"0\">%s"
                      "</CELL_TEXT>\n</ROW>\n", NOTICE);
    put_text("<ROW>\n<CELL_TEXT STYLE=\"Array\">Configuration file</CELL_TEXT>\n"
               "<CELL_TEXT STYLE=\"Array\">", out);
    text(out, rule_file ? rule_file : "(null)");
    put_text("</CELL_TEXT>\n</ROW>\n", out);
    put_text("<ROW>\n<CELL_TEXT STYLE=\"Array\">Report file</CELL_TEXT>\n"
               "<CELL_TEXT STYLE=\"Array\">", out);
    write_escaped(out, report_name);
    put_text("</CELL_TEXT>\n</ROW>\n", out);
    std::fprintf(out, "<ROW>\n<CELL_TEXT STYLE=\"Array\">Generation time</CELL_TEXT>\n"
                      "<CELL_TEXT STYLE=\"Array\">%s</CELL_TEXT>\n</ROW>\n", time_text);
    std::fprintf(out, "<ROW>\n<CELL_TEXT STYLE=\"Array\">Analyzed files</CELL_TEXT>\n"
                      "<CELL_TEXT STYLE=\"Array\">%d</CELL_TEXT>\n</ROW>\n", counts.file_count);
    count_row(out, "Files with errors or warnings", counts.files_with_traps);
    count_row(out, "Number of errors", counts.errors);
    count_row(out, "Number of warnings", counts.warnings);
    if (header_file) {
        if (std::FILE* header = open_header_rows(header_file)) {
            write_header_rows(out, header);
            std::fclose(header);
        }
        if (!append_summary(header_file, counts))
            fatal("Fatal Error", "Cannot write header file %1", "", header_file);
    }
    put_text("</TABLE>\n</SECTION>\n", out);
}
