// kyvld: links the xob files of a program and writes its review report.
#include <csignal>

#include "driver/kyvlink.h"
#include "driver/run_settings.h"
#include "messages/messages.h"

namespace {

run_settings settings;

void check_report_name() {
    if (settings.report_file && is_source_file_name(settings.report_file))
        fatal("Fatal Error", "report file can't be a C or C++ source file ", "");
}

}  // namespace

int main(int argc, char** argv) {
    std::signal(SIGSEGV, crash_handler);
    set_names("Orvanta", "kyvld", "kyvld");
    init_messages(argc, argv, 3, "common_", "cab_", "orvantaident_");
    check_report_name();
    return 0;
}
