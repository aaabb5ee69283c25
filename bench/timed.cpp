// Runs a command and writes the CPU time it took (user and system seconds,
// to the microsecond) and its peak RSS (KiB) to a file: "user sys peak_kib".
// The same figures as `time -f "%U %S %M"`, the same fields of the child's
// resource usage, but not rounded to hundredths of a second: the smallest
// corpora run in a few hundredths, where that rounding alone moves a ratio
// by a third.
//
// usage: timed FILE COMMAND [ARGUMENT...]
// Exits with the command's status (128 + the signal's number when a signal
// ended it), 127 when it cannot be started, 125 when timing fails.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int TIMING_FAILED = 125;
constexpr int NOT_STARTED = 127;

void print_seconds(std::FILE* out, const timeval& time) {
    std::fprintf(out, "%ld.%06ld", static_cast<long>(time.tv_sec), static_cast<long>(time.tv_usec));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fputs("usage: timed FILE COMMAND [ARGUMENT...]\n", stderr);
        return TIMING_FAILED;
    }
    pid_t child = fork();
    if (child < 0) {
        std::fprintf(stderr, "timed: cannot start %s: %s\n", argv[2], std::strerror(errno));
        return TIMING_FAILED;
    }
    if (child == 0) {
        execvp(argv[2], argv + 2);
        std::fprintf(stderr, "timed: cannot run %s: %s\n", argv[2], std::strerror(errno));
        _exit(NOT_STARTED);
    }
    int status = 0;
    rusage usage{};
    while (wait4(child, &status, 0, &usage) < 0) {
        if (errno == EINTR) continue;
        std::fprintf(stderr, "timed: cannot wait for %s: %s\n", argv[2], std::strerror(errno));
        return TIMING_FAILED;
    }
    std::FILE* out = std::fopen(argv[1], "w");
    if (!out) {
        std::fprintf(stderr, "timed: cannot write %s: %s\n", argv[1], std::strerror(errno));
        return TIMING_FAILED;
    }
    print_seconds(out, usage.ru_utime);
    std::fputc(' ', out);
    print_seconds(out, usage.ru_stime);
    std::fprintf(out, " %ld\n", usage.ru_maxrss);
    if (std::fclose(out) != 0) {
        std::fprintf(stderr, "timed: cannot write %s: %s\n", argv[1], std::strerror(errno));
        return TIMING_FAILED;
    }
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return WEXITSTATUS(status);
}
