// The XML review report: the file that the driver opens before reading, the
// comment block per xob file, the file, function and trap nodes that the trap
// table's report walk hands over, and the closing lines.
#pragma once
#include <cstdio>
#include <ctime>
#include <string>

#include "model/report_sink.h"

// The open report file; null when no report file was named or it could not be created.
extern std::FILE* report_stream;
// The path the report was opened with, for the message on a write failure.
extern std::string report_path;
// Numbers of the next trap, function and file node ("ccl%d", "ccM%d",
// "ccF%d"/"cctF%d"); never reset. trap_node_number also limits the console lines.
extern int trap_node_number;
extern int function_node_number;
extern int file_node_number;
// 1 between a function node and its closing: trap titles inside sit one level deeper.
extern int function_depth;
// Extension of the last file node's short name, shown by its function nodes.
extern std::string current_extension;

// Creates the report file at path (an existing one is replaced) and writes
// the prologue; a null path or a file that cannot be created leaves no stream.
void open_report(const char* title, const char* path);

// One comment block per xob file: its name, date (null when absent) and the
// command that generated it (null when absent).
void note_xob(const char* xob_name, const std::time_t* date, const char* command);

void write_file_node(const char* short_name, const char* full_path, int count,
                     const char* date_text, const char* version);
void write_function_node(const char* name, int count, const char* full_path, int line);
void close_function_node();
void close_file_node();
// One trap: its console line when the silent level allows, then its node.
void write_trap_line(const char* rule_name, const char* group, int level, const char* full_path,
                     const char* short_name, int line, int row, const char* message_template,
                     const char* second_path, int second_line, int second_row, trap_names names,
                     const char* param, const char* comment);

// The functions above, for the trap table's report walk.
extern const report_sink report_writer_sink;

// Writes the closing lines and closes the stream; a failed write ends the run
// with a fatal error instead of leaving a cut report behind an exit status of 0.
void close_report();

// The report phase: counting walk, summary, file nodes, deactivated rules,
// rule statistics, closing lines. Runs for its console lines even without a stream.
void write_report(const char* report_name, const char* rule_file, const char* header_file);
