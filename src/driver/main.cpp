// kyvld: links the xob files of a program and writes its review report.
// main reads as the list of phases; each phase lives in its own subsystem.
#include <csignal>

#include "driver/argskyvld.h"
#include "driver/kyvlink.h"
#include "driver/run_settings.h"
#include "messages/messages.h"
#include "parse/rule_file.h"
#include "parse/xob_reader.h"
#include "report/xref.h"
#include "rules/rule_catalogue.h"

namespace {

run_settings settings;

void decode_command_line(int argc, char** argv) {
    if (decode_options(argc, argv, &settings)) return;
    show_banner();
    fatal("Fatal Error", "Error(s) in command line", "");
}

void read_xob_files() {
    for (const xob_file_entry* file = settings.xob_files; file; file = file->next)
        read_xob_file(file->name);
}

void check_report_name() {
    if (settings.report_file && is_source_file_name(settings.report_file))
        fatal("Fatal Error", "report file can't be a C or C++ source file ", "");
}

}  // namespace

int main(int argc, char** argv) {
    std::signal(SIGSEGV, crash_handler);
    set_names("Orvanta", "kyvld", "kyvld");
    init_messages(argc, argv, 3, "common_", "cab_", "orvantaident_");
    decode_command_line(argc, argv);
    check_report_name();
    if (settings.rule_file) read_rule_file(settings.rule_file);
    rules_finalise();
    // open the report: lands with the report writer
    read_xob_files();
    // link pass and the two checks unless -TEST: land with the link pass
    if (settings.xref_file) {
        write_xref(settings.xref_file);
    } else if (settings.report_file || silent_level != 0) {
        // run the report phase: lands with the report writer
    }
    return 0;
}
