// The report phase: the order in which the trap table's walks, the summary
// and the closing sections fill the report.
#include <cstdio>

#include "messages/messages.h"
#include "messages/time_text.h"
#include "model/trap_table.h"
#include "report/report_writer.h"
#include "report/rule_sections.h"
#include "report/summary.h"
#include "rules/rule_catalogue.h"

namespace {

void add_active_rule(rule_entry* entry) {
    add_rule_statistic(rule_statistic{entry->hits, entry->severity,
                                      rule_display_name(entry->number), entry->errmsg});
}

}  // namespace

void write_report(const char* report_name, const char* rule_file, const char* header_file) {
    char time_text[100];
    time_stamp(time_text);
    count_traps();
    write_summary(report_name, rule_file, header_file, time_text,
                  summary_counts{file_count, files_with_traps, trap_counts[SEVERITY_ERROR],
                                 trap_counts[SEVERITY_WARNING]});
    report_traps(&report_writer_sink);
    rules_visit(write_deactivated_rule, add_active_rule);
    close_deactivated_rules();
    write_rule_statistics();
    close_report();
    // The console lines may be all the run writes: losing them is no success.
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        fatal("Fatal Error", "Cannot write standard output", "");
}
