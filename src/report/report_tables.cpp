#include "report/report_tables.h"

namespace {

const display_row DISPLAY[] = {
    {"Info", "pvi_info.xpm", "Warning"},
    {"Warning", "pvi_warning.xpm", "Warning"},
    {"Error", "pvi_error.xpm", "Title3 Failed"},
    {"Justified", "pvi_info.xpm", "Title3"},
};

}  // namespace

const display_row& display_of(int level) {
    if (level < 0) return DISPLAY[0];
    if (level > JUSTIFIED_LEVEL) return DISPLAY[2];
    return DISPLAY[level];
}

const char* result_of(int count) { return count > 0 ? "Failed" : "Passed"; }
const char* file_state_of(int count) { return count > 0 ? "ko" : "ok"; }
