// The summary section "ccR1" at the top of the report, the rows of the
// header file and the counts that each run appends to it.
#pragma once
#include <cstdio>

struct summary_counts {
    int file_count;        // analysed files
    int files_with_traps;  // files that received at least one trap
    int errors;            // unjustified traps of severity 2
    int warnings;          // unjustified traps of severity 1
};

// How a line of the header file is used.
enum class header_line {
    end,        // begins with "-": the rows stop (earlier runs' summaries follow)
    row,        // contains "=": name and value
    sub_title,  // begins with "#"
    ignored,    // begins with "$"
    title,      // anything else
};

// Bytes read per piece of a header line; a longer line is taken in pieces.
constexpr int HEADER_PIECE = 1022;

header_line classify_header_line(const char* line);

// Writes the rows of the header file's lines into the open table of the stream.
void write_header_rows(std::FILE* stream, std::FILE* header);

// Appends one "-CodeReview summary" block to the header file, on a line of its
// own. A file that cannot be opened is skipped; false only when a write failed.
bool append_summary(const char* header_file, const summary_counts& counts);

// The summary section and the header file; does nothing without a report stream.
void write_summary(const char* report_name, const char* rule_file, const char* header_file,
                   const char* time_text, const summary_counts& counts);
