// kyvld: links the xob files of a program and writes its review report.
// main reads as the list of phases; each phase lives in its own subsystem.
#include <csignal>
#include <vector>

#include "driver/argskyvld.h"
#include "driver/kyvlink.h"
#include "driver/run_settings.h"
#include "messages/messages.h"
#include "model/call_cycles.h"
#include "model/link_pass.h"
#include "model/xob_node.h"
#include "parse/rule_file.h"
#include "parse/rule_file_path.h"
#include "reading/parallel_reading.h"
#include "report/report_writer.h"
#include "report/xref.h"
#include "rules/rule_catalogue.h"

namespace {

run_settings settings;

void decode_command_line(int argc, char** argv) {
    if (decode_options(argc, argv, &settings)) return;
    show_banner();
    fatal("Fatal Error", "Error(s) in command line", "");
}

void read_all_xob_files() {
    std::vector<const char*> paths;
    for (const xob_file_entry* file = settings.xob_files; file; file = file->next)
        paths.push_back(file->name);
    read_xob_files(paths, reading_threads());
}

void check_report_name() {
    if (settings.report_file && is_source_file_name(settings.report_file))
        fatal("Fatal Error", "report file can't be a C or C++ source file ", "");
}

// -RULE names a file, or an installed profile by its name; the report's
// summary names what was read.
void read_rule_configuration() {
    if (!settings.rule_file) return;
    settings.rule_path = rule_file_path(settings.rule_file, running_program_folder());
    settings.rule_file = settings.rule_path.c_str();
    read_rule_file(settings.rule_file);
}

// The call-graph walk always; the whole-program checks only outside test runs.
void link_program() {
    link_walk(xob_list.head);
    report_call_cycles(xob_list.head);
    if (settings.test_mode) return;
    check_undefined_declarations();
    check_unreferenced_functions();
}

// Exactly one output: the cross-reference file, or the report phase when a
// report is named or the silent level asks for console lines, or nothing.
void write_output() {
    if (settings.xref_file) {
        write_xref(settings.xref_file);
    } else if (settings.report_file || silent_level != 0) {
        write_report(settings.report_file, settings.rule_file, settings.header_file);
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::signal(SIGSEGV, crash_handler);
    set_names("Orvanta", "kyvld", "kyvld");
    init_messages(argc, argv, 3, "common_", "cab_", "orvantaident_");
#ifdef __AFL_HAVE_MANUAL_CONTROL
    __AFL_INIT();  // AFL++ builds: each run forks from here, the set-up done once
#endif
    decode_command_line(argc, argv);
    check_report_name();
    read_rule_configuration();
    rules_finalise();
    open_report(settings.report_file, settings.report_file);
    read_all_xob_files();
    link_program();
    write_output();
    return 0;
}
