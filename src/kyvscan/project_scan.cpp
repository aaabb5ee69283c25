#include "kyvscan/project_scan.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <climits>
#include <cstdio>
#include <mutex>
#include <set>
#include <thread>

#include <xxhash.h>

#include "kyvscan/atomic_file.h"
#include "kyvscan/compile_db.h"
#include "kyvscan/compiler_args.h"
#include "kyvscan/library_rules.h"
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
unit_outcome scan_and_write(CXIndex index, const unit_request& request, const std::string& xob_path,
                            const std::string& key_path, const std::string& key_header,
                            std::vector<std::string>& messages) {
    unit_result result = scan_unit(index, request);
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

// The state the worker threads share: the jobs, the next one to take, and
// the next one whose messages are due (printed in the database's order).
class project_run {
public:
    explicit project_run(const library_rules& rules) : rules_(rules) {}

    std::vector<unit_job> jobs;

    void work() {
        CXIndex index = clang_createIndex(0, 0);
        for (;;) {
            std::size_t mine = next_job_++;
            if (mine >= jobs.size()) break;
            run_job(index, jobs[mine]);
            finish(mine);
        }
        clang_disposeIndex(index);
    }

private:
    void run_job(CXIndex index, unit_job& job) {
        const compile_entry& entry = *job.entry;
        if (job.outcome == unit_outcome::duplicate) return;
        std::vector<std::string> dirs =
            entry.arguments.empty() ? std::vector<std::string>() : system_dirs_.get(entry.arguments[0]);
        parse_command command = make_parse_command(entry.arguments, entry.directory, job.source, dirs);
        if (command.language != unit_language::c) {
            job.outcome = unit_outcome::skipped;
            job.messages.push_back("kyvscan: skipped " + command.language_name + " unit " + job.source);
            return;
        }
        std::string key_path = job.xob_path + ".key";
        std::string identity = entry.directory + '\n' + command_text(command.args) + '\n' + rules_.fingerprint;
        std::string header = unit_key_header(identity);
        if (access(job.xob_path.c_str(), R_OK) == 0 && unit_key_holds(key_path, header, hashes_)) {
            job.outcome = unit_outcome::cached;
            return;
        }
        unit_request request;
        request.directory = entry.directory;
        request.source = job.source;
        request.args = command.args;
        request.xob_name = path_base_name(job.xob_path);
        request.command = command_text(entry.arguments);
        request.rules = &rules_;
        job.outcome = scan_and_write(index, request, job.xob_path, key_path, header, job.messages);
    }

    void finish(std::size_t index) {
        std::lock_guard<std::mutex> lock(print_mutex_);
        jobs[index].done = true;
        while (next_print_ < jobs.size() && jobs[next_print_].done) {
            for (const std::string& message : jobs[next_print_].messages)
                std::fprintf(stderr, "%s\n", message.c_str());
            ++next_print_;
        }
        std::fflush(stderr);
    }

    const library_rules& rules_;
    std::atomic<std::size_t> next_job_{0};
    std::mutex print_mutex_;
    std::size_t next_print_ = 0;
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
    std::vector<std::thread> workers;
    for (unsigned i = 1; i < threads; ++i) workers.emplace_back([&run] { run.work(); });
    run.work();
    for (std::thread& worker : workers) worker.join();

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
    if (entry.file.empty()) {
        std::fprintf(stderr, "kyvscan: no source file in the compile step\n%s", scan_usage);
        return 2;
    }
    std::string source = absolute_source_path(entry);
    std::vector<std::string> dirs = query_system_dirs(entry.arguments[0]);
    parse_command command = make_parse_command(entry.arguments, entry.directory, source, dirs);
    if (command.language != unit_language::c) {
        std::fprintf(stderr, "kyvscan: skipped %s unit %s\n", command.language_name.c_str(), source.c_str());
        std::printf("kyvscan: 1 unit: 0 written, 1 skipped (not C), 0 failed\n");
        return 0;
    }
    unit_request request;
    request.directory = entry.directory;
    request.source = source;
    request.args = command.args;
    request.xob_name = path_base_name(options.output);
    request.command = command_text(entry.arguments);
    request.rules = &rules;
    std::vector<std::string> messages;
    CXIndex index = clang_createIndex(0, 0);
    std::string xob_path = normal_path(entry.directory, options.output);
    unit_outcome outcome = scan_and_write(index, request, xob_path, "", "", messages);
    clang_disposeIndex(index);
    for (const std::string& message : messages) std::fprintf(stderr, "%s\n", message.c_str());
    return outcome == unit_outcome::written ? 0 : 1;
}
