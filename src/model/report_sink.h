// The calls that the report walk of the trap table makes into the report
// writer. The writer fills one sink with its own functions; tests fill one
// that records the calls.
#pragma once

// The names of a trap, split at each "#"; count 0 when the trap has no name.
struct trap_names {
    int count;
    const char* const* texts;
};

struct report_sink {
    // One analysed source file; count is its number of unjustified traps.
    void (*write_file_node)(const char* short_name, const char* full_path, int count,
                            const char* date_text, const char* version);
    // One function of the current file; count is its number of unjustified traps.
    void (*write_function_node)(const char* name, int count, const char* full_path, int line);
    void (*close_function_node)();
    void (*close_file_node)();
    // One trap. level: 1 warning, 2 error, 3 justified; comment null when none.
    void (*write_trap_line)(const char* rule_name, const char* group, int level,
                            const char* full_path, const char* short_name, int line, int row,
                            const char* message_template, const char* second_path,
                            int second_line, int second_row, trap_names names,
                            const char* param, const char* comment);
};
