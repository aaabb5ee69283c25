// kyvld: links the xob files of a program and writes its review report.
// main reads as the list of phases; each phase lives in its own subsystem.
#include <csignal>

#include "driver/argskyvld.h"
#include "driver/kyvlink.h"
#include "driver/run_settings.h"
#include "messages/messages.h"
#include "report/xref.h"
#include "rules/rule_catalogue.h"

namespace {

run_settings settings;

void decode_command_line(int argc, char** argv) {
    if (decode_options(argc, argv, &settings)) return;
    show_banner();
    fatal("Fatal Error", "Error(s) in command line", "");
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
    // read the rule configuration: lands with the configuration reader
    rules_finalise();
    // open the report: lands with the report writer
    // read every xob file: lands with the xob reader
    // link pass and the two checks unless -TEST: land with the link pass
    if (settings.xref_file) {
        write_xref(settings.xref_file);
    } else if (settings.report_file || silent_level != 0) {
        // run the report phase: lands with the report writer
    }
    return 0;
}
