#include "reading/parallel_reading.h"

#include <cstdlib>
#include <thread>

#include "model/arena.h"
#include "parse/xob_reader.h"
#include "reading/reading_pool.h"
#include "reading/xob_record.h"

namespace {

constexpr unsigned MAX_THREADS = 256;

// Reads with `workers` reading threads; false when none could be started.
// The pool and its threads end before this returns.
bool read_ahead(const std::vector<const char*>& paths, unsigned workers, reading_end& end) {
    reading_pool pool(paths, workers);
    if (!pool.has_workers()) return false;
    arena_set_preparing(true);
    end = pool.read_all();
    arena_set_preparing(false);
    return true;
}

// Ends the run as the error that ended reading would have on one thread.
void end_reading(const reading_end& end) {
    switch (end.what) {
        case reading_end::read: return;
        case reading_end::unopenable: xob_file_unopenable(end.text.c_str());
        case reading_end::scanner_failed: end_on_scanner_failure(end.text);
        case reading_end::out_of_memory: arena_out_of_memory();
    }
}

}  // namespace

unsigned reading_threads() {
    const char* text = std::getenv("KYV_THREADS");
    if (text && *text) {
        unsigned long value = 0;
        const char* at = text;
        for (; *at >= '0' && *at <= '9'; ++at) {
            value = value * 10 + static_cast<unsigned long>(*at - '0');
            if (value > MAX_THREADS) value = MAX_THREADS;
        }
        if (*at == '\0' && value >= 1) return static_cast<unsigned>(value);
    }
    unsigned cores = std::thread::hardware_concurrency();
    if (cores < 1) return 1;
    return cores > MAX_THREADS ? MAX_THREADS : cores;
}

void read_xob_files(const std::vector<const char*>& paths, unsigned threads) {
    // The parser's trace is printed as it parses: such runs read on one thread.
    if (threads > 1 && !paths.empty() && !std::getenv("YYDEBUG")) {
        reading_end end;
        if (read_ahead(paths, threads - 1, end)) {
            end_reading(end);
            return;
        }
    }
    for (const char* path : paths) read_xob_file(path);
}
