#include "driver/argskyvld.h"

#include <cstddef>
#include <cstring>

#include "cmdline/gcm_expand.h"
#include "messages/messages.h"
#include "model/arena.h"

int silent_level = 0;

namespace {

// The list separator: the no-break space of Latin-1, one byte.
constexpr char LIST_SEPARATOR = '\xA0';

constexpr int32_t MAX_FILE_NAME = 1024;

// Each file option keeps its own value list, hence one parameter each.
gcm_param report_file = {{"file"}, 'C', 'N', 1, MAX_FILE_NAME, 0, nullptr, nullptr};
gcm_param xref_file = {{"file"}, 'C', 'N', 1, MAX_FILE_NAME, 0, nullptr, nullptr};
gcm_param rule_file = {{"file"}, 'C', 'N', 1, MAX_FILE_NAME, 0, nullptr, nullptr};
gcm_param header_file = {{"file"}, 'C', 'N', 1, MAX_FILE_NAME, 0, nullptr, nullptr};
gcm_param silent_count = {{"count"}, 'L', 'N', 0, 10000, 0, nullptr, nullptr};
gcm_param xob_files = {{"xob"}, 'C', 'Y', 1, MAX_FILE_NAME, 0, nullptr, nullptr};

gcm_choice silent_zero = {{"0"}, 0, nullptr};

enum option_index { KYV, XREF, RULE, HEADER, TEST, SILENT, VERSION, OPTION_COUNT };

// In list order: the order fixes the positions the decoder reports.
gcm_option options[OPTION_COUNT] = {
    {{"KYV"}, 1, &report_file, 0, 0, 0, 0, nullptr, &options[XREF]},
    {{"XREF"}, 1, &xref_file, 0, 0, 0, 0, nullptr, &options[RULE]},
    {{"RULE"}, 1, &rule_file, 0, 0, 0, 0, nullptr, &options[HEADER]},
    {{"HEADER"}, 1, &header_file, 0, 0, 0, 0, nullptr, &options[TEST]},
    {{"TEST"}, 0, nullptr, 0, 0, 0, 0, nullptr, &options[SILENT]},
    {{"SILENT"}, 0, &silent_count, 0, 0, 0, 0, &silent_zero, &options[VERSION]},
    {{"VERSION"}, 0, nullptr, 0, 0, 0, 0, nullptr, nullptr},
};

gcm_combination report_with_xref = {GCM_OPTION, &options[KYV], GCM_OPTION, &options[XREF], nullptr};

// A translatable text (context "Command-line"). The separator in "<xob>[ xob]"
// is U+00A0, kept here as its UTF-8 bytes so that catalogues find the text.
const char USAGE[] =
    "\n"
    "Usage kyvld :\n"
    "\t<xob>[\xC2\xA0xob]\n"
    "\t[-KYV=<file>]\n"
    "\t[-XREF=<file>]\n"
    "\t[-RULE=<file>]\n"
    "\t[-HEADER=<file>]\n"
    "\t[-TEST]\n"
    "\t[-SILENT[=<0>]]\n"
    "\t[-VERSION]\n";

// The first value of a given option, or null.
const gcm_value* first_value(const char* option_name) {
    int state = gcm_option_state(option_name);
    return state > 0 ? gcm_option_value(state, 1) : nullptr;
}

const char* first_text(const char* option_name) {
    const gcm_value* value = first_value(option_name);
    return value ? value->text : nullptr;
}

void append_xob_file(xob_file_entry**& tail, const char* name) {
    std::size_t length = std::strlen(name);
    auto* entry = static_cast<xob_file_entry*>(
        arena_alloc(offsetof(xob_file_entry, name) + length + 1));
    std::memcpy(entry->name, name, length + 1);
    entry->next = nullptr;
    *tail = entry;
    tail = &entry->next;
}

}  // namespace

gcm_settings kyvld_command_line = {
    '-', '=', LIST_SEPARATOR, &xob_files, options, nullptr, {USAGE}, set_combinations};

void set_combinations() { kyvld_command_line.combinations = &report_with_xref; }

bool decode_options(int argc, char** argv, run_settings* settings) {
    *settings = run_settings();
    gcm_program = &kyvld_command_line;
    if (gcm_expand(&argc, &argv) != 0) return false;
    if (gcm_decode(argc, argv) != 0) return false;
    if (gcm_option_state("VERSION") > 0) show_banner();
    xob_file_entry** tail = &settings->xob_files;
    for (int n = 1; const gcm_value* value = gcm_param_value(1, n); ++n)
        append_xob_file(tail, value->text);
    silent_level = 0;
    if (gcm_option_state("HEADER") > 0) settings->header_file = first_text("HEADER");
    if (gcm_option_state("KYV") > 0)
        settings->report_file = first_text("KYV");
    else if (gcm_option_state("XREF") > 0)
        settings->xref_file = first_text("XREF");
    else
        silent_level = -1;
    if (gcm_option_state("RULE") > 0) settings->rule_file = first_text("RULE");
    if (gcm_option_state("SILENT") > 0) {
        const gcm_value* value = first_value("SILENT");
        silent_level = value ? value->number : 0;
    }
    if (gcm_option_state("TEST") > 0) settings->test_mode = true;
    return true;
}
