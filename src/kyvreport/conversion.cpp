#include "kyvreport/conversion.h"

#include <cstdio>
#include <memory>

#include "kyvreport/conversion_overview.h"
#include "kyvreport/output_file.h"
#include "kyvreport/page_writer.h"
#include "kyvreport/report_reader.h"
#include "kyvreport/rules_document.h"
#include "kyvreport/sarif_writer.h"
#include "kyvreport/trap_identity.h"

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
      plan_(rules_, options.split, options.max_results),
      settings_{uris_, nullptr, nullptr, options.new_only, options.fail_on, options.filter} {}

bool conversion::fail(const std::string& file, const std::string& problem) {
    std::fprintf(stderr, "kyvreport: %s: %s\n", file.c_str(), problem.c_str());
    status_ = EXIT_INVALID;
    return false;
}

// What the cap left out and every limit the log goes over, on standard
// error: the log is written all the same, and the status stays.
void conversion::tell_limits(const log_size& size) const {
    const char* file = options_.sarif.c_str();
    const long long left_out = plan_.left_out_total();
    if (left_out > 0) {
        long long written = 0;
        for (long long results : size.results_per_run) written += results;
        std::fprintf(stderr,
                     "kyvreport: %s: %lld of %lld results left out, the least severe, to keep at most %lld per run "
                     "(a code host shows no more); the log lists them per rule in its run's notifications, and "
                     "--max-results, --min-level, --rule and --split-by choose others\n",
                     file, left_out, left_out + written, plan_.cap());
    }
    for (const std::string& problem : over_host_limits(size))
        std::fprintf(stderr, "kyvreport: %s: over a code host's limits: %s\n", file, problem.c_str());
}

bool conversion::load_baseline() {
    if (options_.baseline.empty()) return true;
    const std::string problem = old_.load(options_.baseline);
    if (!problem.empty()) return fail(options_.baseline, problem);
    if (old_.tool() != "kyvld")
        return fail(options_.baseline, old_.tool().empty() ? "not a log of kyvld: it names no tool"
                                                           : "not a log of kyvld: its tool is '" + old_.tool() + "'");
    for (const std::string& key : old_.fingerprint_keys())
        if (key != TRAP_IDENTITY_KEY && key.rfind(TRAP_IDENTITY_FAMILY, 0) == 0)
            return fail(options_.baseline, "its results carry the fingerprint " + key + ", and this kyvreport writes " +
                                               TRAP_IDENTITY_KEY + ": write the baseline again with this version");
    settings_.old = &old_;
    // A log written with another root names files relative to that root.
    const artifact_uris old_root(old_.root());
    if (old_root.root_prefix() != uris_.root_prefix()) {
        old_uris_.reset(new artifact_uris(old_.root()));
        settings_.old_uris = old_uris_.get();
    }
    return true;
}

bool conversion::survey() {
    // The survey's sink counts what the SARIF log could hold.
    result_stream stream(settings_, rules_, &survey_, plan_);
    const std::string problem = read_report(options_.report, stream);
    if (!problem.empty()) return fail(options_.report, problem);
    rules_.settle_levels();
    if (survey_.fail) status_ = EXIT_CONDITION;
    return true;
}

bool conversion::write_outputs() {
    if (options_.sarif.empty() && options_.html.empty()) return true;
    conversion_overview overview{survey_, rules_, uris_, settings_.old != nullptr, {}, rules_document_uri()};
    if (settings_.old && !options_.new_only) {
        for (const old_result* old : settings_.old->absent()) {
            const int rule = rules_.index_of_absent(old->rule_id, level_of_name(old->level));
            if (!options_.filter.keeps(rules_.at(rule), level_of_name(old->level))) continue;
            overview.absent.push_back(old);
            ++rules_.at(rule).absent;
            plan_.count(rule, ABSENT_RANK);
        }
        settings_.old->rewind();
    } else if (settings_.old) {
        settings_.old->rewind();
    }
    plan_.settle(CODE_HOST.runs);

    output_file sarif_file, page_file;
    std::unique_ptr<sarif_writer> sarif;
    std::unique_ptr<page_writer> page;
    fan_out_sink sinks;
    if (!options_.sarif.empty()) {
        const std::string problem = sarif_file.open(options_.sarif);
        if (!problem.empty()) return fail(options_.sarif, problem);
        sarif.reset(new sarif_writer(overview, plan_, options_.pretty));
        const std::string spooled = sarif->begin();
        if (!spooled.empty()) return fail(options_.sarif, spooled);
        sinks.add(*sarif);
    }
    const page_settings look{options_.title, options_.source_url, options_.html, options_.snippets};
    if (!options_.html.empty()) {
        const std::string problem = page_file.open(options_.html);
        if (!problem.empty()) return fail(options_.html, problem);
        page.reset(new page_writer(page_file.stream(), overview, look));
        sinks.add(*page);
    }
    if (page) page->begin();

    // The survey's rule book is complete; the second pass only reads it.
    rule_book& rules = rules_;
    result_stream stream(settings_, rules, nullptr, sinks);
    const std::string problem = read_report(options_.report, stream);
    if (!problem.empty()) return fail(options_.report, "changed while it was read: " + problem);
    log_size size;
    if (sarif) {
        const std::string joined = sarif->end(sarif_file.stream(), size);
        if (!joined.empty()) return fail(options_.sarif, joined);
    }
    if (page) page->end();

    if (sarif) {
        const std::string failed = sarif_file.commit();
        if (!failed.empty()) return fail(options_.sarif, failed);
        tell_limits(size);
    }
    if (page) {
        const std::string failed = page_file.commit();
        if (!failed.empty()) return fail(options_.html, failed);
    }
    return true;
}
