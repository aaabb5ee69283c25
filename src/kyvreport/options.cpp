// The option table for getopt_long; every option is long only, and a value
// may follow as the next word or after "=".
#include "kyvreport/options.h"

#include <getopt.h>

#include <QFileInfo>

namespace {

enum option_code { SARIF = 1, HTML, SOURCE_ROOT, BASELINE, NEW_ONLY, FAIL_ON, HELP, VERSION };

const option OPTION_TABLE[] = {
    {"sarif", required_argument, nullptr, SARIF},
    {"html", required_argument, nullptr, HTML},
    {"source-root", required_argument, nullptr, SOURCE_ROOT},
    {"baseline", required_argument, nullptr, BASELINE},
    {"new-only", no_argument, nullptr, NEW_ONLY},
    {"fail-on", required_argument, nullptr, FAIL_ON},
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
           "  --help              show this text\n"
           "  --version           show the version\n"
           "\n"
           "Exit status: 0 done, 1 the --fail-on condition holds, 2 a usage error or\n"
           "an input that cannot be read or is not valid (no output is left behind).\n";
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
    if (options.sarif == "-" && options.html == "-") return "--sarif and --html cannot both write to standard output";
    if (same_file(options.sarif, options.html)) return "--sarif and --html name the same file";
    for (const std::string* output : {&options.sarif, &options.html}) {
        if (same_file(*output, options.report)) return "an output would replace the report '" + options.report + "'";
        if (same_file(*output, options.baseline)) return "an output would replace the baseline '" + options.baseline + "'";
    }
    return "";
}
