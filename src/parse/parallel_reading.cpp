#include "parse/parallel_reading.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <system_error>
#include <thread>

#include <sys/stat.h>

#include "model/arena.h"
#include "parse/record_chunks.h"
#include "parse/xob_record.h"
#include "parse/xob_reader.h"

namespace {

// Small enough that a recycled chunk is still in the cache when it is
// written again.
constexpr std::size_t CHUNK_SIZE = 64 << 10;
constexpr std::size_t SPARE_CHUNKS = 64;
// Record bytes held for the file being replayed, and for all the files after
// it: enough to keep the model's thread fed, little beside the model itself.
// Workers that get ahead of the replay only fill what they are given, so
// the files after the current one get 4 MB a worker, 16 MB at most.
constexpr std::size_t CURRENT_LIMIT = 4 << 20;
constexpr std::size_t AHEAD_LIMIT_PER_WORKER = 4 << 20;
constexpr std::size_t AHEAD_LIMIT = 16 << 20;
constexpr unsigned MAX_THREADS = 256;
// The largest file the model's thread parses itself while it waits for a
// worker. It records the whole file without waiting for room, so the records
// held may pass the limits above by one such file.
constexpr off_t HELP_LIMIT = 1 << 20;

struct file_state {
    const char* path = nullptr;
    // A regular file of at most HELP_LIMIT bytes (opening it cannot block):
    // 1 or 0, -1 until the model's thread first considers taking it.
    signed char small = -1;
    std::deque<record_chunk> chunks;
    std::size_t chunk_bytes = 0;
    bool unopenable = false;
    bool out_of_memory = false;
    bool recorded = false;  // every chunk delivered, or the file did not open
    bool closed = false;    // the replay is done with it
};

class reading_pool {
public:
    reading_pool(const std::vector<const char*>& paths, unsigned workers);
    ~reading_pool() { stop(); }
    reading_pool(const reading_pool&) = delete;
    reading_pool& operator=(const reading_pool&) = delete;

    bool has_workers() const { return !workers_.empty(); }
    void read_all();
    // Wakes every worker and waits for them to end. Also run when the
    // process exits in the middle of reading (a fatal error, a failure on a
    // record), so that no worker runs while the process is torn down.
    void stop();

    // The replay's side of one file's record: the next chunk, in place of
    // the one it read before.
    bool take(std::size_t index, record_chunk& chunk);

private:
    void work();
    // Parses a file into its record; `waits`: for room within the limits.
    void record(std::size_t index, bool waits);
    bool deliver(std::size_t index, record_chunk& chunk, bool waits);
    void wait_for_record(std::unique_lock<std::mutex>& lock, const file_state& file);
    // Whether the model's thread may parse the file itself; asked once.
    static bool is_small(file_state& file);
    void reuse(record_chunk& chunk);
    void wait_for_start(std::size_t index);
    template <class Ready>
    void wait_for_room(std::unique_lock<std::mutex>& lock, Ready ready);
    void close(std::size_t index);
    bool room_for(std::size_t index) const;
    std::size_t ahead_bytes() const;

    std::mutex mutex_;
    std::condition_variable replay_wakes_;
    std::condition_variable workers_wake_;
    std::deque<file_state> files_;
    std::size_t next_to_record_ = 0;
    std::size_t current_ = 0;   // the file being parsed
    std::size_t buffered_ = 0;  // record bytes held in all files
    std::size_t ahead_limit_;
    bool stopping_ = false;
    std::size_t working_ = 0;  // workers started and not yet ended
    std::condition_variable workers_ended_;
    std::vector<std::unique_ptr<char[]>> spare_;  // read chunks of CHUNK_SIZE bytes
    std::vector<std::thread> workers_;
};

// The record of one file as the replay reads it, chunk by chunk.
class pool_record : public chunk_source {
public:
    pool_record(reading_pool& pool, std::size_t index) : pool_(pool), index_(index) {}
    bool next_chunk(const char*& begin, const char*& end) override {
        if (!pool_.take(index_, chunk_)) return false;
        begin = chunk_.bytes.get();
        end = begin + chunk_.size;
        return true;
    }

private:
    reading_pool& pool_;
    std::size_t index_;
    record_chunk chunk_;
};

reading_pool* active_pool = nullptr;

void stop_active_pool() {
    if (active_pool) active_pool->stop();
}

reading_pool::reading_pool(const std::vector<const char*>& paths, unsigned workers)
    : ahead_limit_(std::min<std::size_t>(AHEAD_LIMIT, AHEAD_LIMIT_PER_WORKER * workers)) {
    for (const char* path : paths) files_.emplace_back().path = path;
    for (unsigned i = 0; i < workers; ++i) {
        std::lock_guard<std::mutex> lock(mutex_);
        try {
            workers_.emplace_back([this] { work(); });
            ++working_;
        } catch (const std::system_error&) {
            break;  // fewer workers, or none: the caller then reads alone
        }
    }
}

void reading_pool::stop() {
    std::unique_lock<std::mutex> lock(mutex_);
    stopping_ = true;
    workers_wake_.notify_all();
    // A worker may be blocked opening or reading a file ahead (a pipe, a
    // slow device) that a one-thread run would never have reached: an exit
    // on an earlier file's error must not wait for it.
    workers_ended_.wait_for(lock, std::chrono::milliseconds(500), [this] { return working_ == 0; });
    bool all_ended = working_ == 0;
    lock.unlock();
    for (std::thread& worker : workers_) {
        if (!worker.joinable()) continue;
        if (all_ended)
            worker.join();
        else
            worker.detach();  // the process ends without it
    }
}

std::size_t reading_pool::ahead_bytes() const {
    return current_ < files_.size() ? buffered_ - files_[current_].chunk_bytes : buffered_;
}

bool reading_pool::room_for(std::size_t index) const {
    if (index == current_) return files_[index].chunk_bytes < CURRENT_LIMIT;
    return ahead_bytes() < ahead_limit_;
}

void reading_pool::work() {
    for (;;) {
        std::size_t index;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wait_for_room(lock, [this] {
                return stopping_ || next_to_record_ >= files_.size() || room_for(next_to_record_);
            });
            if (stopping_ || next_to_record_ >= files_.size()) {
                --working_;
                workers_ended_.notify_all();
                return;
            }
            index = next_to_record_++;
        }
        record(index, true);
    }
}

void reading_pool::record(std::size_t index, bool waits) {
    const char* path = files_[index].path;
    std::FILE* stream = open_xob_stream(path);
    bool out_of_memory = false;
    if (stream) {
        chunk_writer writer(
            CHUNK_SIZE,
            [this, index, waits](record_chunk& chunk) { return deliver(index, chunk, waits); },
            [this](record_chunk& chunk) { reuse(chunk); });
        try {
            record_xob_file(stream, path, writer);
        } catch (const std::bad_alloc&) {
            out_of_memory = true;
        }
        std::fclose(stream);
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        files_[index].unopenable = !stream;
        files_[index].out_of_memory = out_of_memory;
        files_[index].recorded = true;
    }
    replay_wakes_.notify_one();
}

bool reading_pool::deliver(std::size_t index, record_chunk& chunk, bool waits) {
    std::unique_lock<std::mutex> lock(mutex_);
    file_state& file = files_[index];
    if (waits) wait_for_room(lock, [&] { return stopping_ || file.closed || room_for(index); });
    if (stopping_ || file.closed) return false;
    file.chunk_bytes += chunk.size;
    buffered_ += chunk.size;
    file.chunks.push_back(std::move(chunk));
    bool replay_waits = index == current_;
    lock.unlock();
    if (replay_waits) replay_wakes_.notify_one();
    return true;
}

// A worker ahead of the replay clears the model's next memory block while it
// waits, work the model's thread would otherwise do.
template <class Ready>
void reading_pool::wait_for_room(std::unique_lock<std::mutex>& lock, Ready ready) {
    while (!ready()) {
        lock.unlock();
        bool prepared = arena_prepare_block();
        lock.lock();
        if (!prepared) {
            workers_wake_.wait(lock, ready);
            return;
        }
    }
}

void reading_pool::reuse(record_chunk& chunk) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (spare_.empty()) return;
    chunk.bytes = std::move(spare_.back());
    chunk.capacity = CHUNK_SIZE;
    spare_.pop_back();
}

bool reading_pool::take(std::size_t index, record_chunk& chunk) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (chunk.bytes && chunk.capacity == CHUNK_SIZE && spare_.size() < SPARE_CHUNKS)
        spare_.push_back(std::move(chunk.bytes));
    chunk = record_chunk();
    file_state& file = files_[index];
    wait_for_record(lock, file);
    if (file.chunks.empty()) {
        bool out_of_memory = file.out_of_memory;
        lock.unlock();
        // The record ran out where the heap was exhausted.
        if (out_of_memory) arena_out_of_memory();
        return false;
    }
    chunk = std::move(file.chunks.front());
    file.chunks.pop_front();
    file.chunk_bytes -= chunk.size;
    buffered_ -= chunk.size;
    lock.unlock();
    workers_wake_.notify_all();
    return true;
}

void reading_pool::wait_for_start(std::size_t index) {
    std::unique_lock<std::mutex> lock(mutex_);
    file_state& file = files_[index];
    wait_for_record(lock, file);
    bool unopenable = file.unopenable;
    lock.unlock();
    if (unopenable) xob_file_unopenable(file.path);
}

bool reading_pool::is_small(file_state& file) {
    if (file.small < 0) {
        struct stat status;
        file.small = stat(file.path, &status) == 0 && S_ISREG(status.st_mode) &&
                     status.st_size <= HELP_LIMIT;
    }
    return file.small == 1;
}

// Rather than wait for a worker, the model's thread parses the next file
// nobody has taken, when it is small and the records held leave room for it;
// the workers go on with the files after it. Called and returning with the
// lock held.
void reading_pool::wait_for_record(std::unique_lock<std::mutex>& lock, const file_state& file) {
    auto ready = [&] { return !file.chunks.empty() || file.recorded; };
    while (!ready()) {
        if (next_to_record_ >= files_.size() || !is_small(files_[next_to_record_]) ||
            !room_for(next_to_record_)) {
            replay_wakes_.wait(lock, ready);
            return;
        }
        std::size_t index = next_to_record_++;
        lock.unlock();
        record(index, false);
        lock.lock();
    }
}

void reading_pool::close(std::size_t index) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        file_state& file = files_[index];
        file.closed = true;
        buffered_ -= file.chunk_bytes;
        file.chunk_bytes = 0;
        std::deque<record_chunk>().swap(file.chunks);
        current_ = index + 1;
    }
    workers_wake_.notify_all();
}

void reading_pool::read_all() {
    for (std::size_t index = 0; index < files_.size(); ++index) {
        wait_for_start(index);
        pool_record record(*this, index);
        replay_xob_record(record);
        close(index);
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
        static bool stop_at_exit = (std::atexit(stop_active_pool), true);
        (void)stop_at_exit;
        reading_pool pool(paths, threads - 1);
        if (pool.has_workers()) {
            active_pool = &pool;
            arena_set_preparing(true);
            pool.read_all();
            arena_set_preparing(false);
            pool.stop();
            active_pool = nullptr;
            return;
        }
    }
    for (const char* path : paths) read_xob_file(path);
}
