// The decoded command line, filled by decode_options and read by the driver.
#pragma once
#include <string>

struct xob_file_entry {
    xob_file_entry* next;
    char name[1];  // private copy, allocated to its full length
};

struct run_settings {
    const char* report_file = nullptr;  // -KYV: the XML review report
    const char* header_file = nullptr;  // -HEADER
    const char* xref_file = nullptr;    // -XREF: the cross-reference file
    const char* rule_file = nullptr;    // -RULE: the rule configuration
    std::string rule_path;  // what rule_file points at once an installed profile's name is resolved
    bool test_mode = false;             // -TEST
    xob_file_entry* xob_files = nullptr;  // in command-line order
};

// Console echo level of the report phase: -1, or 0 to 10000.
extern int silent_level;
