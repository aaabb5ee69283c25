// The option table for getopt_long; every option is long only, and a value
// may follow as the next word or after "=".
#include "kyvreport/options.h"

#include <getopt.h>

#include <cerrno>
#include <cstdlib>

#include <QFileInfo>

#include "kyvreport/source_links.h"

namespace {

enum option_code {
    SARIF = 1, HTML, SOURCE_ROOT, BASELINE, NEW_ONLY, FAIL_ON, MAX_RESULTS, MIN_LEVEL, RULE, SPLIT_BY, PRETTY,
    TITLE, SOURCE_URL, SNIPPETS, HELP, VERSION
};

const option OPTION_TABLE[] = {
    {"sarif", required_argument, nullptr, SARIF},
    {"html", required_argument, nullptr, HTML},
    {"source-root", required_argument, nullptr, SOURCE_ROOT},
    {"baseline", required_argument, nullptr, BASELINE},
    {"new-only", no_argument, nullptr, NEW_ONLY},
    {"fail-on", required_argument, nullptr, FAIL_ON},
    {"max-results", required_argument, nullptr, MAX_RESULTS},
    {"min-level", required_argument, nullptr, MIN_LEVEL},
    {"rule", required_argument, nullptr, RULE},
    {"split-by", required_argument, nullptr, SPLIT_BY},
    {"pretty", no_argument, nullptr, PRETTY},
    {"title", required_argument, nullptr, TITLE},
    {"source-url", required_argument, nullptr, SOURCE_URL},
    {"snippets", no_argument, nullptr, SNIPPETS},
    {"help", no_argument, nullptr, HELP},
    {"version", no_argument, nullptr, VERSION},
    {nullptr, 0, nullptr, 0},
};

bool same_file(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty() || a == "-" || b == "-") return false;
    const QFileInfo first(QString::fromStdString(a)), second(QString::fromStdString(b));
    if (first.exists() && second.exists())
        return first.isFile() && second.isFile() && first.canonicalFilePath() == second.canonicalFilePath();
    return first.absoluteFilePath() == second.absoluteFilePath();
}

}  // namespace

const char* usage_text() {
    return "Usage: kyvreport [options] REPORT\n"
           "Converts a review report written by kyvld -KYV=<file> into SARIF 2.1.0\n"
           "and into a self-contained HTML page.\n"
           "\n"
           "  --sarif FILE        write the SARIF log to FILE (- for standard output)\n"
           "  --html FILE         write the page to FILE (- for standard output)\n"
           "  --source-root DIR   make file locations relative to DIR (base id SRCROOT)\n"
           "  --baseline OLD      compare with the SARIF log OLD of an accepted run:\n"
           "                      results are new or unchanged, missing ones absent\n"
           "  --new-only          keep only new results in every output\n"
           "  --fail-on=WHAT      exit with status 1 when a written, unjustified result\n"
           "                      is new (new), an error (error) or exists at all (any)\n"
           "  --max-results N     at most N results per run of the SARIF log, the most\n"
           "                      severe first (default 5000, all that a code host\n"
           "                      shows; 0: no cap); the log notes what it left out\n"
           "  --min-level LEVEL   keep only results of level error, or error and warning\n"
           "  --rule ID[,ID...]   keep only results of these rules (identifier or label)\n"
           "  --split-by rule-group  one run per rule group (at most 20 runs)\n"
           "  --pretty            indent the SARIF log (default: compact)\n"
           "  --title TEXT        the page's title (default: Review report: REPORT)\n"
           "  --source-url TEMPLATE  link each location of the page to a code host's\n"
           "                      file view: {path} is the file relative to\n"
           "                      --source-root, {line} its line (default: a link\n"
           "                      relative to the page's folder)\n"
           "  --snippets          show on the page the line of each finding and two\n"
           "                      lines around it, read from --source-root\n"
           "  --help              show this text\n"
           "  --version           show the version\n"
           "\n"
           "Exit status: 0 done, 1 the --fail-on condition holds, 2 a usage error or\n"
           "an input that cannot be read or is not valid (no output is left behind).\n"
           "A log over a code host's limits (25000 results per run, 5000 of them shown,\n"
           "20 runs, 10 MB gzip-compressed) is written, and said so on standard error.\n";
}

std::string parse_options(int argc, char** argv, report_options& options) {
    opterr = 0;
    optind = 1;
    int code;
    while ((code = getopt_long(argc, argv, ":", OPTION_TABLE, nullptr)) != -1) {
        if (optarg && optarg[0] == '\0') return std::string("option '") + argv[optind - 1] + "' needs a value";
        switch (code) {
            case SARIF: options.sarif = optarg; break;
            case HTML: options.html = optarg; break;
            case SOURCE_ROOT: options.source_root = optarg; break;
            case BASELINE: options.baseline = optarg; break;
            case NEW_ONLY: options.new_only = true; break;
            case FAIL_ON: {
                const std::string value = optarg;
                if (value == "new") options.fail_on = fail_condition::fresh;
                else if (value == "error") options.fail_on = fail_condition::error;
                else if (value == "any") options.fail_on = fail_condition::any;
                else return "--fail-on takes new, error or any, not '" + value + "'";
                break;
            }
            case MAX_RESULTS: {
                const std::string value = optarg;
                char* end = nullptr;
                errno = 0;
                const long long number = std::strtoll(value.c_str(), &end, 10);
                if (value[0] == '-' || value[0] == '+' || *end != '\0' || errno != 0 || number < 0)
                    return "--max-results takes a number of results, not '" + value + "'";
                options.max_results = number;
                break;
            }
            case MIN_LEVEL: {
                const std::string value = optarg;
                if (value == "error") options.filter.min_level = result_level::error;
                else if (value == "warning") options.filter.min_level = result_level::warning;
                else return "--min-level takes error or warning, not '" + value + "'";
                break;
            }
            case RULE: {
                std::string list = optarg;
                for (size_t from = 0; from <= list.size();) {
                    size_t comma = list.find(',', from);
                    if (comma == std::string::npos) comma = list.size();
                    const std::string rule = list.substr(from, comma - from);
                    if (rule.empty()) return "--rule takes rule names separated by commas, not '" + list + "'";
                    options.filter.rules.insert(rule);
                    from = comma + 1;
                }
                break;
            }
            case SPLIT_BY: {
                const std::string value = optarg;
                if (value != "rule-group") return "--split-by takes rule-group, not '" + value + "'";
                options.split = split_mode::rule_group;
                break;
            }
            case PRETTY: options.pretty = true; break;
            case TITLE: options.title = optarg; break;
            case SOURCE_URL: {
                const std::string problem = check_source_url(optarg);
                if (!problem.empty()) return problem;
                options.source_url = optarg;
                break;
            }
            case SNIPPETS: options.snippets = true; break;
            case HELP: options.help = true; return "";
            case VERSION: options.version = true; return "";
            case ':': return std::string("option '") + argv[optind - 1] + "' needs a value";
            default: {
                const std::string word = argv[optind - 1];
                return "unknown option '" + word + "'";
            }
        }
    }
    if (optind >= argc) return "no report file named";
    if (argc - optind > 1) return std::string("one report file only; '") + argv[optind + 1] + "' is one too many";
    options.report = argv[optind];
    if (options.sarif.empty() && options.html.empty() && options.fail_on == fail_condition::never)
        return "nothing to do: name --sarif, --html or --fail-on";
    if (options.snippets && options.source_root.empty())
        return "--snippets reads the sources under --source-root: name it";
    if (!options.source_url.empty() && options.source_root.empty())
        return "--source-url gives paths relative to --source-root: name it";
    if (options.sarif == "-" && options.html == "-") return "--sarif and --html cannot both write to standard output";
    if (same_file(options.sarif, options.html)) return "--sarif and --html name the same file";
    for (const std::string* output : {&options.sarif, &options.html}) {
        if (same_file(*output, options.report)) return "an output would replace the report '" + options.report + "'";
        if (same_file(*output, options.baseline)) return "an output would replace the baseline '" + options.baseline + "'";
    }
    return "";
}
