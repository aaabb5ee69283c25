#include "kyvscan/system_dirs.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>

#include "kyvscan/paths.h"

extern char** environ;

namespace {

bool looks_like_c_compiler(const std::string& compiler) {
    std::string name = path_base_name(compiler);
    if (name.empty() || name.find_first_not_of(
                            "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_.+-") !=
                            std::string::npos)
        return false;
    for (const char* known : {"cc", "gcc", "clang"}) {
        std::size_t at = name.rfind(known);
        if (at == std::string::npos) continue;
        bool starts = at == 0 || name[at - 1] == '-';
        std::size_t end = at + std::strlen(known);
        bool ends = end == name.size() || name[end] == '-';
        if (starts && ends) return true;
    }
    return false;
}

bool libclang_searches(const std::string& dir) {
    if (dir.find("/lib/gcc/") != std::string::npos || dir.find("/lib/clang/") != std::string::npos ||
        dir.find("/lib/llvm-") != std::string::npos)
        return true;
    if (dir == "/usr/include" || dir == "/usr/local/include") return true;
    return dir.compare(0, 13, "/usr/include/") == 0 &&
           dir.find("-linux-gnu") != std::string::npos && dir.find('/', 13) == std::string::npos;
}

// Runs `compiler -E -x c -v /dev/null` and returns what it wrote on standard error.
std::string compiler_banner(const std::string& compiler) {
    int pipe_ends[2];
    if (pipe(pipe_ends) != 0) return "";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipe_ends[1], 2);
    posix_spawn_file_actions_addclose(&actions, pipe_ends[0]);
    std::string program = compiler;
    std::vector<char*> argv = {program.data(), const_cast<char*>("-E"), const_cast<char*>("-x"),
                               const_cast<char*>("c"), const_cast<char*>("-v"),
                               const_cast<char*>("/dev/null"), nullptr};
    pid_t child = 0;
    int failed = posix_spawnp(&child, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipe_ends[1]);
    std::string output;
    if (failed == 0) {
        char buffer[4096];
        ssize_t count;
        while ((count = read(pipe_ends[0], buffer, sizeof buffer)) > 0 && output.size() < (1 << 20))
            output.append(buffer, static_cast<std::size_t>(count));
        int status = 0;
        waitpid(child, &status, 0);
    }
    close(pipe_ends[0]);
    return output;
}

}  // namespace

std::vector<std::string> query_system_dirs(const std::string& compiler) {
    std::vector<std::string> dirs;
    if (!looks_like_c_compiler(compiler)) return dirs;
    std::string banner = compiler_banner(compiler);
    std::size_t start = banner.find("#include <...> search starts here:");
    if (start == std::string::npos) return dirs;
    std::size_t end = banner.find("End of search list.", start);
    std::size_t line_start = banner.find('\n', start);
    while (line_start != std::string::npos && line_start + 1 < end) {
        std::size_t line_end = banner.find('\n', line_start + 1);
        if (line_end == std::string::npos || line_end > end) line_end = end;
        std::string line = banner.substr(line_start + 1, line_end - line_start - 1);
        std::size_t first = line.find_first_not_of(' ');
        if (first != std::string::npos) {
            line = line.substr(first);
            std::size_t note = line.find(" (framework directory)");
            if (note != std::string::npos) line.resize(note);
            std::string dir = normal_path("/", line);
            if (!libclang_searches(dir)) dirs.push_back(dir);
        }
        line_start = line_end;
    }
    return dirs;
}

std::vector<std::string> system_dirs_cache::get(const std::string& compiler) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto found = known_.find(compiler);
        if (found != known_.end()) return found->second;
    }
    std::vector<std::string> dirs = query_system_dirs(compiler);
    std::lock_guard<std::mutex> lock(mutex_);
    return known_.emplace(compiler, dirs).first->second;
}
