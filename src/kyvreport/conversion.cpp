#include "kyvreport/conversion.h"

#include <cstdio>
#include <memory>

#include "kyvreport/conversion_overview.h"
#include "kyvreport/output_file.h"
#include "kyvreport/page_writer.h"
#include "kyvreport/report_reader.h"
#include "kyvreport/sarif_writer.h"

namespace {

result_level level_of_name(const std::string& name) {
    if (name == "error") return result_level::error;
    if (name == "note" || name == "none") return result_level::note;
    return result_level::warning;
}

}  // namespace

int usage_error(const std::string& problem) {
    std::fprintf(stderr, "kyvreport: %s\nTry 'kyvreport --help' for more information.\n", problem.c_str());
    return EXIT_INVALID;
}

int show_help() {
    std::fputs(usage_text(), stdout);
    return EXIT_DONE;
}

int show_version() {
    std::printf("kyvreport %s\n", KYV_TOOL_VERSION);
    return EXIT_DONE;
}

conversion::conversion(const report_options& options)
    : options_(options),
      uris_(options.source_root),
      settings_{uris_, nullptr, options.new_only, options.fail_on} {}

bool conversion::fail(const std::string& file, const std::string& problem) {
    std::fprintf(stderr, "kyvreport: %s: %s\n", file.c_str(), problem.c_str());
    status_ = EXIT_INVALID;
    return false;
}

bool conversion::load_baseline() {
    if (options_.baseline.empty()) return true;
    const std::string problem = old_.load(options_.baseline);
    if (!problem.empty()) return fail(options_.baseline, problem);
    settings_.old = &old_;
    return true;
}

bool conversion::survey() {
    no_sink nothing;
    result_stream stream(settings_, rules_, &survey_, nothing);
    const std::string problem = read_report(options_.report, stream);
    if (!problem.empty()) return fail(options_.report, problem);
    rules_.settle_levels();
    if (survey_.fail) status_ = EXIT_CONDITION;
    return true;
}

bool conversion::write_outputs() {
    if (options_.sarif.empty() && options_.html.empty()) return true;
    conversion_overview overview{survey_, rules_, uris_, settings_.old != nullptr, {}};
    if (settings_.old && !options_.new_only) {
        overview.absent = settings_.old->absent();
        for (const old_result* old : overview.absent)
            ++rules_.at(rules_.index_of_absent(old->rule_id, level_of_name(old->level))).absent;
        settings_.old->rewind();
    } else if (settings_.old) {
        settings_.old->rewind();
    }

    output_file sarif_file, page_file;
    std::unique_ptr<sarif_writer> sarif;
    std::unique_ptr<page_writer> page;
    fan_out_sink sinks;
    if (!options_.sarif.empty()) {
        const std::string problem = sarif_file.open(options_.sarif);
        if (!problem.empty()) return fail(options_.sarif, problem);
        sarif.reset(new sarif_writer(sarif_file.stream(), overview));
        sinks.add(*sarif);
    }
    if (!options_.html.empty()) {
        const std::string problem = page_file.open(options_.html);
        if (!problem.empty()) return fail(options_.html, problem);
        page.reset(new page_writer(page_file.stream(), overview));
        sinks.add(*page);
    }
    if (sarif) sarif->begin();
    if (page) page->begin();

    // The survey's rule book is complete; the second pass only reads it.
    rule_book& rules = rules_;
    result_stream stream(settings_, rules, nullptr, sinks);
    const std::string problem = read_report(options_.report, stream);
    if (!problem.empty()) return fail(options_.report, "changed while it was read: " + problem);
    if (sarif) sarif->end();
    if (page) page->end();

    if (sarif) {
        const std::string failed = sarif_file.commit();
        if (!failed.empty()) return fail(options_.sarif, failed);
    }
    if (page) {
        const std::string failed = page_file.commit();
        if (!failed.empty()) return fail(options_.html, failed);
    }
    return true;
}
