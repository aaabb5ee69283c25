// The two modes as runs: every C unit of a compilation database on worker
// threads, or one compile step. Each returns the exit status: 0 when every
// unit was written, 1 when some unit could not be parsed or written, 2 when
// the run could not start (no database, no output folder, no source file).
#pragma once

struct scan_options;
struct library_rules;

int scan_project(const scan_options& options, const library_rules& rules);
int scan_one_unit(const scan_options& options, const library_rules& rules);
