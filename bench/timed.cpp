// Runs a command and writes the CPU time it took (user and system seconds,
// to the microsecond) and its peak RSS (KiB) to a file: "user sys peak_kib".
// The same figures as `time -f "%U %S %M"`, the same fields of the child's
// resource usage, but not rounded to hundredths of a second: the smallest
// corpora run in a few hundredths, where that rounding alone moves a ratio
// by a third.
//
// With --warm BYTES it first writes into that much fresh memory and gives
// it back, untimed. A virtual machine's host may take back the memory its
// guest freed; the guest's first write to a page it then gets again costs
// the host's work too, about twenty times a write to a page freed seconds
// before (500 MB: 1.7 s of system time against 0.09 s, seen here). That
// cost falls on whichever run needs more memory than was freed just
// before it, and so on a family's larger sizes, not its first: warming
// makes every run find the memory as a machine without a host would.
//
// usage: timed [--warm BYTES] FILE COMMAND [ARGUMENT...]
// Exits with the command's status (128 + the signal's number when a signal
// ended it), 127 when it cannot be started, 125 when timing fails.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int TIMING_FAILED = 125;
constexpr int NOT_STARTED = 127;

void print_seconds(std::FILE* out, const timeval& time) {
    std::fprintf(out, "%ld.%06ld", static_cast<long>(time.tv_sec), static_cast<long>(time.tv_usec));
}

// Writes into `bytes` of fresh memory, on huge pages as kyvld's larger
// tables are, and gives it back. False when the memory cannot be had.
bool warm_memory(std::size_t bytes) {
    if (bytes == 0) return true;
    void* memory = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED) return false;
    madvise(memory, bytes, MADV_HUGEPAGE);
    for (std::size_t at = 0; at < bytes; at += 4096) static_cast<volatile char*>(memory)[at] = 1;
    munmap(memory, bytes);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::strcmp(argv[1], "--warm") == 0) {
        char* end = nullptr;
        errno = 0;
        unsigned long long bytes = std::strtoull(argv[2], &end, 10);
        if (errno != 0 || end == argv[2] || *end != '\0' || !warm_memory(bytes)) {
            std::fprintf(stderr, "timed: cannot warm %s bytes of memory\n", argv[2]);
            return TIMING_FAILED;
        }
        argc -= 2;
        argv += 2;
    }
    if (argc < 3) {
        std::fputs("usage: timed [--warm BYTES] FILE COMMAND [ARGUMENT...]\n", stderr);
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
