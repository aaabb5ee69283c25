#include "kyvreport/host_limits.h"

#include <cstdio>

namespace {

std::string megabytes(long long bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / 1e6);
    return text;
}

}  // namespace

std::vector<std::string> over_host_limits(const log_size& size) {
    std::vector<std::string> problems;
    const long long runs = static_cast<long long>(size.results_per_run.size());
    if (runs > CODE_HOST.runs)
        problems.push_back(std::to_string(runs) + " runs, and a code host takes at most " +
                           std::to_string(CODE_HOST.runs) + " in one file");
    for (size_t run = 0; run < size.results_per_run.size(); ++run) {
        const long long results = size.results_per_run[run];
        const std::string which = runs > 1 ? "run " + std::to_string(run + 1) + " has " : "the run has ";
        if (results > CODE_HOST.results_rejected)
            problems.push_back(which + std::to_string(results) + " results, and a code host refuses a run of more than " +
                               std::to_string(CODE_HOST.results_rejected));
        else if (results > CODE_HOST.results_kept)
            problems.push_back(which + std::to_string(results) + " results, and a code host shows only the " +
                               std::to_string(CODE_HOST.results_kept) + " most severe");
    }
    for (size_t run = 0; run < size.rules_per_run.size(); ++run)
        if (size.rules_per_run[run] > CODE_HOST.rules)
            problems.push_back("run " + std::to_string(run + 1) + " has " + std::to_string(size.rules_per_run[run]) +
                               " rules, and a code host takes at most " + std::to_string(CODE_HOST.rules));
    if (size.gzip_bytes > CODE_HOST.gzip_bytes)
        problems.push_back("it takes " + megabytes(size.gzip_bytes) + " gzip-compressed, and a code host takes at most " +
                           megabytes(CODE_HOST.gzip_bytes));
    return problems;
}

gzip_meter::gzip_meter() {
    // 15 + 16: a gzip stream, as the upload compresses.
    ok_ = deflateInit2(&zip_, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) == Z_OK;
}

gzip_meter::~gzip_meter() {
    if (ok_) deflateEnd(&zip_);
}

void gzip_meter::drain(int flush) {
    unsigned char scratch[16384];
    do {
        zip_.next_out = scratch;
        zip_.avail_out = sizeof scratch;
        const int status = deflate(&zip_, flush);
        if (status == Z_STREAM_ERROR) {
            ok_ = false;
            return;
        }
        compressed_ += static_cast<long long>(sizeof scratch - zip_.avail_out);
    } while (zip_.avail_out == 0);
}

void gzip_meter::add(const char* bytes, size_t count) {
    if (!ok_) return;
    while (count > 0 && ok_) {
        // avail_in is 32 bits wide.
        const size_t piece = count < (1u << 30) ? count : (1u << 30);
        zip_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes));
        zip_.avail_in = static_cast<uInt>(piece);
        drain(Z_NO_FLUSH);
        bytes += piece;
        count -= piece;
    }
}

long long gzip_meter::finish() {
    if (!ok_) return -1;
    zip_.next_in = nullptr;
    zip_.avail_in = 0;
    drain(Z_FINISH);
    return ok_ ? compressed_ : -1;
}
