#include "parse/parallel_reading.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
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

// A worker's own wake-up: a worker waits for room in the records held, and
// room that frees wakes the one waiter that can use it (the writer of the
// earliest file, else the first to start one), which wakes the next when it
// goes on. One condition variable shared by all, woken on every chunk the
// replay took, made 255 workers on two cores spend 262 s of system time in
// wake-ups on 100,000 small files, against 1.4 s for the whole run on one
// thread. One per worker, alive as long as the pool: a waker may notify it
// after letting go of the lock.
struct room_waiter {
    std::condition_variable wakes;
    std::size_t index = 0;  // the file it writes to, when it waits as a writer
    bool queued = false;    // in a queue of waiters: cleared by the waker
};

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
    void work(room_waiter& me);
    // Parses a file into its record; `waiter`, when given, waits for room
    // within the limits.
    void record(std::size_t index, room_waiter* waiter);
    bool deliver(std::size_t index, record_chunk& chunk, room_waiter* waiter);
    void wait_for_record(std::unique_lock<std::mutex>& lock, const file_state& file);
    // Whether the model's thread may parse the file itself; asked once.
    static bool is_small(file_state& file);
    void reuse(record_chunk& chunk);
    void wait_for_start(std::size_t index);
    // Waits until the writer of file `index` may add to it, or until a file
    // may be started (index STARTS), or the pool stops.
    void wait_for_room(std::unique_lock<std::mutex>& lock, room_waiter& me, std::size_t index);
    bool may_go(std::size_t index) const;
    // Whether a waiter for `index` (or STARTS) is worth waking: only once a
    // quarter of its limit is free, so that each wake-up is worth many
    // chunks or files rather than one.
    bool worth_waking(std::size_t index) const;
    // Takes the waiter that may go on first out of its queue, or null: the
    // caller notifies it, with or without the lock.
    room_waiter* ready_waiter();
    void close(std::size_t index);
    bool room_for(std::size_t index) const;
    std::size_t ahead_bytes() const;
    // The replay's wake-up, when it waits for the record of `index`.
    bool replay_waits_for(std::size_t index) const { return replay_waits_ && index == current_; }

    static constexpr std::size_t STARTS = SIZE_MAX;

    std::mutex mutex_;
    std::condition_variable replay_wakes_;
    bool replay_waits_ = false;
    std::unique_ptr<room_waiter[]> waiters_;  // one per worker
    std::vector<room_waiter*> writers_waiting_;  // by file index
    std::deque<room_waiter*> starters_waiting_;
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
    : waiters_(new room_waiter[workers]),
      ahead_limit_(std::min<std::size_t>(AHEAD_LIMIT, AHEAD_LIMIT_PER_WORKER * workers)) {
    for (const char* path : paths) files_.emplace_back().path = path;
    for (unsigned i = 0; i < workers; ++i) {
        std::lock_guard<std::mutex> lock(mutex_);
        try {
            room_waiter& waiter = waiters_[i];
            workers_.emplace_back([this, &waiter] { work(waiter); });
            ++working_;
        } catch (const std::system_error&) {
            break;  // fewer workers, or none: the caller then reads alone
        }
    }
}

void reading_pool::stop() {
    std::unique_lock<std::mutex> lock(mutex_);
    stopping_ = true;
    for (room_waiter* waiter : writers_waiting_) waiter->queued = false;
    for (room_waiter* waiter : starters_waiting_) waiter->queued = false;
    writers_waiting_.clear();
    starters_waiting_.clear();
    for (std::size_t i = 0; i < workers_.size(); ++i) waiters_[i].wakes.notify_one();
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

bool reading_pool::may_go(std::size_t index) const {
    if (stopping_) return true;
    if (index == STARTS) return next_to_record_ >= files_.size() || room_for(next_to_record_);
    return files_[index].closed || room_for(index);
}

bool reading_pool::worth_waking(std::size_t index) const {
    if (stopping_) return true;
    if (index == STARTS) {
        if (next_to_record_ >= files_.size()) return true;
        index = next_to_record_;
    } else if (files_[index].closed) {
        return true;
    }
    if (index == current_) return files_[index].chunk_bytes <= CURRENT_LIMIT - CURRENT_LIMIT / 4;
    return ahead_bytes() <= ahead_limit_ - ahead_limit_ / 4;
}

// Writers of earlier files first: the replay needs them sooner. A writer of
// a file after the current one that may not go shows that the records
// ahead are full, so no later writer may go either.
room_waiter* reading_pool::ready_waiter() {
    for (auto at = writers_waiting_.begin(); at != writers_waiting_.end(); ++at) {
        room_waiter* waiter = *at;
        if (worth_waking(waiter->index)) {
            writers_waiting_.erase(at);
            waiter->queued = false;
            return waiter;
        }
        if (waiter->index > current_) break;
    }
    if (starters_waiting_.empty() || !worth_waking(STARTS)) return nullptr;
    room_waiter* waiter = starters_waiting_.front();
    starters_waiting_.pop_front();
    waiter->queued = false;
    return waiter;
}

void reading_pool::work(room_waiter& me) {
    for (;;) {
        std::size_t index;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wait_for_room(lock, me, STARTS);
            if (stopping_ || next_to_record_ >= files_.size()) {
                --working_;
                workers_ended_.notify_all();
                return;
            }
            index = next_to_record_++;
        }
        record(index, &me);
    }
}

void reading_pool::record(std::size_t index, room_waiter* waiter) {
    const char* path = files_[index].path;
    std::FILE* stream = open_xob_stream(path);
    bool out_of_memory = false;
    if (stream) {
        chunk_writer writer(
            CHUNK_SIZE,
            [this, index, waiter](record_chunk& chunk) { return deliver(index, chunk, waiter); },
            [this](record_chunk& chunk) { reuse(chunk); });
        try {
            record_xob_file(stream, path, writer);
        } catch (const std::bad_alloc&) {
            out_of_memory = true;
        }
        std::fclose(stream);
    }
    bool replay_waits;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        files_[index].unopenable = !stream;
        files_[index].out_of_memory = out_of_memory;
        files_[index].recorded = true;
        replay_waits = replay_waits_for(index);
    }
    if (replay_waits) replay_wakes_.notify_one();
}

bool reading_pool::deliver(std::size_t index, record_chunk& chunk, room_waiter* waiter) {
    std::unique_lock<std::mutex> lock(mutex_);
    file_state& file = files_[index];
    if (waiter) wait_for_room(lock, *waiter, index);
    if (stopping_ || file.closed) return false;
    file.chunk_bytes += chunk.size;
    buffered_ += chunk.size;
    file.chunks.push_back(std::move(chunk));
    bool replay_waits = replay_waits_for(index);
    lock.unlock();
    if (replay_waits) replay_wakes_.notify_one();
    return true;
}

// A worker ahead of the replay clears the model's next memory block while it
// waits, work the model's thread would otherwise do. A waiter woken that may
// not go after all (another took the room first) hands the wake-up on, so
// that none is lost; one that goes wakes the next that may, so room freed
// at once for many reaches them one after the other.
void reading_pool::wait_for_room(std::unique_lock<std::mutex>& lock, room_waiter& me, std::size_t index) {
    bool waited = false;
    while (!may_go(index)) {
        if (!waited) {
            lock.unlock();
            bool prepared = arena_prepare_block();
            lock.lock();
            if (prepared) continue;
        } else if (room_waiter* next = ready_waiter()) {
            next->wakes.notify_one();
        }
        me.index = index;
        me.queued = true;
        if (index == STARTS) {
            starters_waiting_.push_back(&me);
        } else {
            auto later = std::upper_bound(writers_waiting_.begin(), writers_waiting_.end(), index,
                                          [](std::size_t i, const room_waiter* w) { return i < w->index; });
            writers_waiting_.insert(later, &me);
        }
        me.wakes.wait(lock, [&] { return !me.queued; });
        waited = true;
    }
    if (!waited) return;
    if (room_waiter* next = ready_waiter()) next->wakes.notify_one();
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
    room_waiter* writer = ready_waiter();
    lock.unlock();
    if (writer) writer->wakes.notify_one();
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
            replay_waits_ = true;
            replay_wakes_.wait(lock, ready);
            replay_waits_ = false;
            return;
        }
        std::size_t index = next_to_record_++;
        lock.unlock();
        record(index, nullptr);
        lock.lock();
    }
}

void reading_pool::close(std::size_t index) {
    room_waiter* waiter;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        file_state& file = files_[index];
        file.closed = true;
        buffered_ -= file.chunk_bytes;
        file.chunk_bytes = 0;
        std::deque<record_chunk>().swap(file.chunks);
        current_ = index + 1;
        waiter = ready_waiter();
    }
    if (waiter) waiter->wakes.notify_one();
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
