#include "kyvscan/project_scan.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <set>
#include <thread>

#include <xxhash.h>

#include "kyvscan/atomic_file.h"
#include "kyvscan/compile_db.h"
#include "kyvscan/compiler_args.h"
#include "kyvscan/library_rules.h"
#include "kyvscan/parser_module.h"
#include "kyvscan/paths.h"
#include "kyvscan/scan_cache.h"
#include "kyvscan/scan_options.h"
#include "kyvscan/system_dirs.h"
#include "kyvscan/unit_scanner.h"

namespace {

enum class unit_outcome { written, cached, skipped, failed, duplicate };

struct unit_job {
    const compile_entry* entry = nullptr;
    std::string source;
    std::string xob_path;
    unit_outcome outcome = unit_outcome::failed;
    std::vector<std::string> messages;
    bool done = false;
    std::string key_header;
    unit_request request;
};

// "name-1a2b3c4d.xob": the source's name, and a hash of the whole step so
// that one file compiled twice with other flags gets two xob files.
std::string xob_file_name(const compile_entry& entry, const std::string& source) {
    std::string identity = entry.directory + '\0' + source;
    for (const std::string& word : entry.arguments) identity += '\0' + word;
    unsigned long long hash = XXH3_64bits(identity.data(), identity.size());
    char suffix[24];
    std::snprintf(suffix, sizeof suffix, "-%08llx.xob", hash & 0xffffffffULL);
    std::string name;
    for (char c : path_base_name(source))
        name += (std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '_' || c == '-') ? c : '_';
    return name + suffix;
}

std::string current_folder() {
    std::vector<char> buffer(PATH_MAX + 1);
    return getcwd(buffer.data(), buffer.size()) ? std::string(buffer.data()) : std::string("/");
}

// Parses one unit and writes its xob file (and, when `key_path` is set, its
// cache key). Messages for the user go into `messages`.
unit_outcome scan_and_write(scan_unit_function scan, const unit_request& request, const std::string& xob_path,
                            const std::string& key_path, const std::string& key_header,
                            std::vector<std::string>& messages) {
    unit_result result;
    scan(&request, &result);
    for (const std::string& message : result.messages) messages.push_back(message);
    if (!result.parsed) {
        messages.push_back("kyvscan: failed: " + request.source + ": " + result.failure);
        return unit_outcome::failed;
    }
    if (result.compiler_errors)
        messages.push_back("kyvscan: " + request.source + ": " + std::to_string(result.compiler_errors) +
                           " compiler error(s); written with what the parser recovered");
    std::string error;
    if (!write_whole_file(xob_path, result.xob, error)) {
        messages.push_back("kyvscan: failed: " + request.source + ": " + error);
        return unit_outcome::failed;
    }
    if (!key_path.empty() &&
        !write_whole_file(key_path, unit_key_text(key_header, result.files_read), error))
        messages.push_back("kyvscan: " + error + " (the unit will be parsed again next time)");
    return unit_outcome::written;
}

// Each unit is parsed in a child process of its own: libclang can crash or
// run out of stack on hostile input (a sum of 100,000 terms does), and such
// a unit must fail alone, named, while the run goes on. The parent stays on
// one thread, so forking is safe, and it keeps the cache checks and the
// compilers' folders for all units.
class project_run {
public:
    explicit project_run(const library_rules& rules) : rules_(rules) {}

    std::vector<unit_job> jobs;

    void run(unsigned parallel) {
        std::size_t next = 0;
        while (next < jobs.size() || !running_.empty()) {
            while (next < jobs.size() && running_.size() < parallel) {
                std::size_t index = next++;
                if (!prepare(jobs[index])) {
                    finish(index);
                    continue;
                }
                start(index);
            }
            if (!running_.empty()) collect();
        }
    }

private:
    struct child {
        pid_t pid;
        std::size_t job;
    };

    // Decides what can be decided without parsing; true when the unit must be parsed.
    bool prepare(unit_job& job) {
        if (job.outcome == unit_outcome::duplicate) return false;
        const compile_entry& entry = *job.entry;
        std::vector<std::string> dirs =
            entry.arguments.empty() ? std::vector<std::string>() : system_dirs_.get(entry.arguments[0]);
        parse_command command = make_parse_command(entry.arguments, entry.directory, job.source, dirs);
        if (command.language != unit_language::c) {
            job.outcome = unit_outcome::skipped;
            job.messages.push_back("kyvscan: skipped " + command.language_name + " unit " + job.source);
            return false;
        }
        std::string identity = entry.directory + '\n' + command_text(command.args) + '\n' + rules_.fingerprint;
        job.key_header = unit_key_header(identity);
        if (access(job.xob_path.c_str(), R_OK) == 0 &&
            unit_key_holds(job.xob_path + ".key", job.key_header, hashes_)) {
            job.outcome = unit_outcome::cached;
            return false;
        }
        job.request.directory = entry.directory;
        job.request.source = job.source;
        job.request.args = command.args;
        job.request.xob_name = path_base_name(job.xob_path);
        job.request.command = command_text(entry.arguments);
        job.request.rules = &rules_;
        return true;
    }

    void start(std::size_t index) {
        unit_job& job = jobs[index];
        if (!scan_) {
            std::string error;
            scan_ = load_parser_module(error);
            if (!scan_) {
                job.outcome = unit_outcome::failed;
                job.messages.push_back("kyvscan: failed: " + job.source + ": " + error);
                finish(index);
                return;
            }
        }
        std::fflush(stdout);
        std::fflush(stderr);
        pid_t pid = fork();
        if (pid == 0) _exit(parse_in_child(scan_, job));
        if (pid < 0) {
            job.outcome = unit_outcome::failed;
            job.messages.push_back("kyvscan: failed: " + job.source + ": cannot start a process: " +
                                   std::strerror(errno));
            finish(index);
            return;
        }
        running_.push_back({pid, index});
    }

    // In the child: parse, write the xob file and its key, leave the
    // messages beside them for the parent; the exit status is the outcome.
    static int parse_in_child(scan_unit_function scan, const unit_job& job) {
        std::vector<std::string> messages;
        unit_outcome outcome = scan_and_write(scan, job.request, job.xob_path, job.xob_path + ".key",
                                              job.key_header, messages);
        std::string text;
        for (const std::string& message : messages) text += message + "\n";
        std::string error;
        write_whole_file(job.xob_path + ".log", text, error);
        return outcome == unit_outcome::written ? 0 : 1;
    }

    void collect() {
        int status = 0;
        pid_t pid;
        do {
            pid = waitpid(-1, &status, 0);
        } while (pid < 0 && errno == EINTR);
        auto found = std::find_if(running_.begin(), running_.end(),
                                  [pid](const child& item) { return item.pid == pid; });
        if (found == running_.end()) return;
        std::size_t index = found->job;
        running_.erase(found);
        unit_job& job = jobs[index];
        std::string log_path = job.xob_path + ".log";
        std::string text;
        if (read_whole_file(log_path, text)) {
            std::size_t start = 0, end;
            while ((end = text.find('\n', start)) != std::string::npos) {
                job.messages.push_back(text.substr(start, end - start));
                start = end + 1;
            }
            unlink(log_path.c_str());
        }
        if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
            job.outcome = unit_outcome::written;
        } else {
            job.outcome = unit_outcome::failed;
            if (WIFSIGNALED(status))
                job.messages.push_back("kyvscan: failed: " + job.source + ": the parser crashed (" +
                                       strsignal(WTERMSIG(status)) + ")");
        }
        finish(index);
    }

    // Messages come out in the database's order, each unit's as soon as the
    // units before it are done.
    void finish(std::size_t index) {
        jobs[index].done = true;
        while (next_print_ < jobs.size() && jobs[next_print_].done) {
            for (const std::string& message : jobs[next_print_].messages) {
                bool about_flags = message.compare(0, 19, "kyvscan: libclang: ") == 0;
                if (!about_flags || said_once_.insert(message).second)
                    std::fprintf(stderr, "%s\n", message.c_str());
            }
            ++next_print_;
        }
        std::fflush(stderr);
    }

    const library_rules& rules_;
    std::vector<child> running_;
    scan_unit_function scan_ = nullptr;  // loaded with the first unit to parse
    std::size_t next_print_ = 0;
    std::set<std::string> said_once_;  // messages about flags, the same for many units
    system_dirs_cache system_dirs_;
    hash_memo hashes_;
};

bool matches_filters(const std::string& source, const std::vector<std::string>& filters) {
    if (filters.empty()) return true;
    for (const std::string& filter : filters)
        if (source.find(filter) != std::string::npos) return true;
    return false;
}

}  // namespace

int scan_project(const scan_options& options, const library_rules& rules) {
    std::string here = current_folder();
    std::string build_dir = normal_path(here, options.build_dir);
    compile_db db = read_compile_db(build_dir);
    if (!db.error.empty()) {
        std::fprintf(stderr, "kyvscan: %s\n", db.error.c_str());
        return 2;
    }
    std::string out_dir = normal_path(here, options.output.empty() ? build_dir + "/kyvscan" : options.output);
    // kyvld reads the response file with "$NAME" replaced from the environment
    // and '"' as a quote: a folder holding either could not be named in it.
    if (out_dir.find_first_of("\"$\n") != std::string::npos) {
        std::fprintf(stderr, "kyvscan: the output folder %s holds '\"', '$' or a line break, "
                             "which the response file cannot name\n", out_dir.c_str());
        return 2;
    }
    std::string error;
    if (!make_folders(out_dir, error)) {
        std::fprintf(stderr, "kyvscan: %s\n", error.c_str());
        return 2;
    }
    project_run run(rules);
    std::set<std::string> names;
    for (const compile_entry& entry : db.entries) {
        std::string source = absolute_source_path(entry);
        if (!matches_filters(source, options.filters)) continue;
        unit_job job;
        job.entry = &entry;
        job.source = source;
        job.xob_path = out_dir + "/" + xob_file_name(entry, source);
        if (!names.insert(job.xob_path).second) job.outcome = unit_outcome::duplicate;
        run.jobs.push_back(std::move(job));
    }
    unsigned threads = options.jobs > 0 ? static_cast<unsigned>(options.jobs)
                                        : std::max(1u, std::thread::hardware_concurrency());
    threads = std::min<unsigned>(threads, static_cast<unsigned>(std::max<std::size_t>(1, run.jobs.size())));
    run.run(threads);

    int counts[5] = {0, 0, 0, 0, 0};
    std::string listing;
    for (const unit_job& job : run.jobs) {
        ++counts[static_cast<int>(job.outcome)];
        if (job.outcome == unit_outcome::written || job.outcome == unit_outcome::cached)
            listing += "\"" + job.xob_path + "\"\n";
    }
    std::string list_path = out_dir + "/units.rsp";
    int status = counts[static_cast<int>(unit_outcome::failed)] ? 1 : 0;
    if (!write_whole_file(list_path, listing, error)) {
        std::fprintf(stderr, "kyvscan: %s\n", error.c_str());
        status = 1;
    }
    int units = static_cast<int>(run.jobs.size()) - counts[static_cast<int>(unit_outcome::duplicate)];
    std::printf("kyvscan: %d units: %d written, %d from the cache, %d skipped (not C), %d failed; list in %s\n",
                units, counts[static_cast<int>(unit_outcome::written)],
                counts[static_cast<int>(unit_outcome::cached)], counts[static_cast<int>(unit_outcome::skipped)],
                counts[static_cast<int>(unit_outcome::failed)], list_path.c_str());
    return status;
}

int scan_one_unit(const scan_options& options, const library_rules& rules) {
    compile_entry entry;
    entry.directory = current_folder();
    entry.arguments = options.compile;
    entry.file = find_source_argument(options.compile);
    if (options.launcher) {
        // The build goes on whatever the scan gives: only the compiler's
        // status is the step's status.
        if (!entry.file.empty()) {
            scan_options unit = options;
            unit.output = object_file_of(options.compile, entry.file) + ".xob";
            unit.launcher = false;
            scan_one_unit(unit, rules);
        }
        std::fflush(stdout);
        std::fflush(stderr);
        std::vector<char*> argv;
        for (const std::string& word : options.compile) argv.push_back(const_cast<char*>(word.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        std::fprintf(stderr, "kyvscan: cannot run %s: %s\n", argv[0], std::strerror(errno));
        return 127;
    }
    if (entry.file.empty()) {
        std::fprintf(stderr, "kyvscan: no source file in the compile step\n%s", scan_usage_lines);
        return 2;
    }
    std::string source = absolute_source_path(entry);
    std::vector<std::string> dirs = query_system_dirs(entry.arguments[0]);
    parse_command command = make_parse_command(entry.arguments, entry.directory, source, dirs);
    if (command.language != unit_language::c) {
        std::fprintf(stderr, "kyvscan: skipped %s unit %s\n", command.language_name.c_str(), source.c_str());
        return 0;
    }
    unit_request request;
    request.directory = entry.directory;
    request.source = source;
    request.args = command.args;
    request.xob_name = path_base_name(options.output);
    request.command = command_text(entry.arguments);
    request.rules = &rules;
    std::string xob_path = normal_path(entry.directory, options.output);
    std::string error;
    scan_unit_function scan = load_parser_module(error);
    if (!scan) {
        std::fprintf(stderr, "kyvscan: failed: %s: %s\n", source.c_str(), error.c_str());
        return 1;
    }
    // The parse runs in a child process, as in project mode: a crash of the
    // parser fails the unit (status 1) instead of killing the build step.
    std::fflush(stdout);
    std::fflush(stderr);
    pid_t pid = fork();
    if (pid == 0) {
        std::vector<std::string> messages;
        unit_outcome outcome = scan_and_write(scan, request, xob_path, "", "", messages);
        for (const std::string& message : messages) std::fprintf(stderr, "%s\n", message.c_str());
        std::fflush(stderr);
        _exit(outcome == unit_outcome::written ? 0 : 1);
    }
    if (pid < 0) {
        std::fprintf(stderr, "kyvscan: cannot start a process: %s\n", std::strerror(errno));
        return 1;
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFSIGNALED(status)) {
        std::fprintf(stderr, "kyvscan: failed: %s: the parser crashed (%s)\n", source.c_str(),
                     strsignal(WTERMSIG(status)));
        return 1;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : 1;
}
