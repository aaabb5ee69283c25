// The reading threads of one run: workers that parse the xob files ahead
// into records (xob_record.h), in command-line order, while the model's
// thread replays them in that order. The pool owns its threads: stop, or
// the destructor, wakes them and joins them all, so none outlives it.
//
// A worker never opens a file that is not a regular file (a pipe, a
// device): opening or reading one may block for as long as its writer
// likes, and a run that ends on an earlier file's error must not wait for
// it. The model's thread reads such a file itself when it reaches it, as a
// one-thread run would. Errors met while reading (a file that cannot be
// opened, a scanner failure, the heap exhausted while recording) end
// read_all with what happened, and the owner ends the run once the pool is
// stopped. A fatal error inside the model's own actions still exits at
// once: the workers then touch only their own records and constant tables.
//
// Exceptions, a kept departure from "errors are return values": three
// library boundaries report failure only by throwing, and each is caught
// on the thread that threw, next to the call: std::thread's constructor
// (std::system_error: the run reads with the threads it could start),
// the heap on a worker (std::bad_alloc: the record ends there and the
// replay reports the exhausted heap in order), and flex's fatal error on a
// recording scanner (scanner_failure: recorded, so the run ends where a
// one-thread run would). None crosses into the model.
#pragma once
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "reading/record_chunks.h"

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

// How many record bytes the pool holds, in chunks of `chunk` bytes: up to
// `current` for the file being replayed and `ahead` for all the files after
// it (`ahead_per_worker` a worker, below that). Enough to keep the model's
// thread fed, little beside the model itself. The model's thread parses a
// regular file of at most `help` bytes itself rather than wait for a
// worker; it records such a file without waiting for room, so the records
// held may pass the limits by one such file. Tests set them small, to
// make the workers wait.
struct reading_limits {
    std::size_t chunk = 64 << 10;  // small enough to be still in the cache when reused
    std::size_t current = 4 << 20;
    std::size_t ahead_per_worker = 4 << 20;
    std::size_t ahead = 16 << 20;
    std::size_t help = 1 << 20;
};

// How reading ended.
struct reading_end {
    enum { read, unopenable, scanner_failed, out_of_memory } what = read;
    std::string text;  // the path that did not open, or flex's message
};

class reading_pool {
public:
    // Starts up to `workers` threads; has_workers tells whether any started.
    reading_pool(const std::vector<const char*>& paths, unsigned workers,
                 const reading_limits& limits = reading_limits());
    ~reading_pool() { stop(); }
    reading_pool(const reading_pool&) = delete;
    reading_pool& operator=(const reading_pool&) = delete;

    bool has_workers() const { return !workers_.empty(); }
    // Replays every file into the model in order, up to the first error.
    reading_end read_all();
    // Wakes every worker and waits for them to end.
    void stop();

    // The replay's side of one file's record: the next chunk, in place of
    // the one it read before.
    bool take(std::size_t index, record_chunk& chunk);

private:
    struct file_state {
        const char* path = nullptr;
        // A regular file of at most limits_.help bytes (opening it cannot
        // block): 1 or 0, -1 until the model's thread first considers it.
        signed char small = -1;
        std::deque<record_chunk> chunks;
        std::size_t chunk_bytes = 0;
        bool unopenable = false;
        bool out_of_memory = false;
        bool for_replay = false;  // not a regular file: the model's thread reads it
        bool recorded = false;    // every chunk delivered, or the file did not open
        bool closed = false;      // the replay is done with it
    };

    void work(room_waiter& me);
    // Parses a file into its record; `waiter`, when given, waits for room
    // within the limits.
    void record(std::size_t index, room_waiter* waiter);
    bool deliver(std::size_t index, record_chunk& chunk, room_waiter* waiter);
    void wait_for_record(std::unique_lock<std::mutex>& lock, std::size_t index);
    // Whether the model's thread may parse the file itself; asked once.
    bool is_small(file_state& file) const;
    void reuse(record_chunk& chunk);
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
    // Whether the replay waits for the record of `index`, to be woken.
    bool replay_waits_for(std::size_t index) const { return replay_waits_ && index == current_; }

    static constexpr std::size_t STARTS = SIZE_MAX;

    std::mutex mutex_;
    std::condition_variable replay_wakes_;
    bool replay_waits_ = false;
    std::unique_ptr<room_waiter[]> waiters_;     // one per worker
    std::vector<room_waiter*> writers_waiting_;  // by file index
    std::deque<room_waiter*> starters_waiting_;
    std::deque<file_state> files_;
    std::size_t next_to_record_ = 0;
    std::size_t current_ = 0;   // the file being replayed
    std::size_t buffered_ = 0;  // record bytes held in all files
    reading_limits limits_;
    std::size_t ahead_limit_;
    bool stopping_ = false;
    std::vector<std::unique_ptr<char[]>> spare_;  // read chunks of limits_.chunk bytes
    std::vector<std::thread> workers_;
};
