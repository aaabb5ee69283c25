// What a code host's code-scanning upload accepts, as one table, and the
// check of a written log against it. The values are the documented limits of
// the most widely used host; a log within them is taken whole.
#pragma once
#include <zlib.h>

#include <string>
#include <vector>

struct code_host_limits {
    long long results_rejected;  // a run with more results is refused
    long long results_kept;      // of a run with more, only the most severe are shown
    long long runs;              // runs per file
    long long rules;             // rules per run
    long long gzip_bytes;        // the file, gzip-compressed
};

constexpr code_host_limits CODE_HOST = {25000, 5000, 20, 25000, 10000000};

// What one written log holds, for the check.
struct log_size {
    std::vector<long long> results_per_run;
    std::vector<long long> rules_per_run;
    long long gzip_bytes = 0;
};

// One sentence per limit the log goes over; empty when a host takes it whole.
std::vector<std::string> over_host_limits(const log_size& size);

// Counts the bytes the output would take gzip-compressed at the default
// level, as an upload step compresses it, without keeping them.
class gzip_meter {
public:
    gzip_meter();
    ~gzip_meter();
    gzip_meter(const gzip_meter&) = delete;
    gzip_meter& operator=(const gzip_meter&) = delete;

    void add(const char* bytes, size_t count);
    // Ends the stream; the compressed size, or -1 when zlib failed.
    long long finish();

private:
    void drain(int flush);

    z_stream zip_{};
    bool ok_ = false;
    long long compressed_ = 0;
};
