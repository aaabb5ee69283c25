#include "reading/reading_pool.h"

#include <algorithm>
#include <new>
#include <system_error>

#include <sys/stat.h>

#include "model/arena.h"
#include "parse/xob_reader.h"
#include "reading/xob_record.h"

namespace {

constexpr std::size_t SPARE_CHUNKS = 64;

// Whether a worker may open the file: a regular file, or one that does not
// open at all (which the replay reports in order).
bool may_open_ahead(const char* path) {
    struct stat status;
    return stat(path, &status) != 0 || S_ISREG(status.st_mode);
}

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

}  // namespace

reading_pool::reading_pool(const std::vector<const char*>& paths, unsigned workers,
                           const reading_limits& limits)
    : waiters_(new room_waiter[workers]),
      limits_(limits),
      ahead_limit_(std::min<std::size_t>(limits.ahead, limits.ahead_per_worker * workers)) {
    for (const char* path : paths) files_.emplace_back().path = path;
    for (unsigned i = 0; i < workers; ++i) {
        std::lock_guard<std::mutex> lock(mutex_);
        try {
            room_waiter& waiter = waiters_[i];
            workers_.emplace_back([this, &waiter] { work(waiter); });
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
    lock.unlock();
    for (std::thread& worker : workers_)
        if (worker.joinable()) worker.join();
}

std::size_t reading_pool::ahead_bytes() const {
    return current_ < files_.size() ? buffered_ - files_[current_].chunk_bytes : buffered_;
}

bool reading_pool::room_for(std::size_t index) const {
    if (index == current_) return files_[index].chunk_bytes < limits_.current;
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
    if (index == current_) return files_[index].chunk_bytes <= limits_.current - limits_.current / 4;
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
            if (stopping_ || next_to_record_ >= files_.size()) return;
            index = next_to_record_++;
        }
        if (!may_open_ahead(files_[index].path)) {
            bool replay_waits;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                files_[index].for_replay = true;
                replay_waits = replay_waits_for(index);
            }
            if (replay_waits) replay_wakes_.notify_one();
            continue;
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
            limits_.chunk,
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
    bool preparing = true, waited = false;
    while (!may_go(index)) {
        if (preparing) {
            // The lock is let go meanwhile: the room is looked at again.
            lock.unlock();
            preparing = arena_prepare_block();
            lock.lock();
            continue;
        }
        if (waited)
            if (room_waiter* next = ready_waiter()) next->wakes.notify_one();
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
    chunk.capacity = limits_.chunk;
    spare_.pop_back();
}

bool reading_pool::take(std::size_t index, record_chunk& chunk) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (chunk.bytes && chunk.capacity == limits_.chunk && spare_.size() < SPARE_CHUNKS)
        spare_.push_back(std::move(chunk.bytes));
    chunk = record_chunk();
    file_state& file = files_[index];
    wait_for_record(lock, index);
    if (file.chunks.empty()) return false;
    chunk = std::move(file.chunks.front());
    file.chunks.pop_front();
    file.chunk_bytes -= chunk.size;
    buffered_ -= chunk.size;
    room_waiter* writer = ready_waiter();
    lock.unlock();
    if (writer) writer->wakes.notify_one();
    return true;
}

bool reading_pool::is_small(file_state& file) const {
    if (file.small < 0) {
        struct stat status;
        file.small = stat(file.path, &status) == 0 && S_ISREG(status.st_mode) &&
                     static_cast<std::size_t>(status.st_size) <= limits_.help;
    }
    return file.small == 1;
}

// Rather than wait for a worker, the model's thread parses the next file
// nobody has taken, when it is small and the records held leave room for it;
// the workers go on with the files after it. Called and returning with the
// lock held.
// Rather than wait for a worker, the model's thread parses the next file
// nobody has taken, when it is small and the records held leave room for it;
// the workers go on with the files after it. A file the workers left to it
// it records whole, as it comes. Called and returning with the lock held.
void reading_pool::wait_for_record(std::unique_lock<std::mutex>& lock, std::size_t index) {
    file_state& file = files_[index];
    auto ready = [&] { return !file.chunks.empty() || file.recorded || file.for_replay; };
    while (file.chunks.empty() && !file.recorded) {
        if (file.for_replay) {
            file.for_replay = false;
            lock.unlock();
            record(index, nullptr);
            lock.lock();
            continue;
        }
        if (next_to_record_ >= files_.size() || !is_small(files_[next_to_record_]) ||
            !room_for(next_to_record_)) {
            replay_waits_ = true;
            replay_wakes_.wait(lock, ready);
            replay_waits_ = false;
            continue;
        }
        std::size_t next = next_to_record_++;
        lock.unlock();
        record(next, nullptr);
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

reading_end reading_pool::read_all() {
    for (std::size_t index = 0; index < files_.size(); ++index) {
        reading_end end;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wait_for_record(lock, index);
            if (files_[index].unopenable) {
                end.what = reading_end::unopenable;
                end.text = files_[index].path;
                return end;
            }
        }
        pool_record record(*this, index);
        if (!replay_xob_record(record, end.text)) {
            end.what = reading_end::scanner_failed;
            return end;
        }
        {
            // The record ran out where the heap was exhausted.
            std::lock_guard<std::mutex> lock(mutex_);
            if (files_[index].out_of_memory) {
                end.what = reading_end::out_of_memory;
                return end;
            }
        }
        close(index);
    }
    return reading_end();
}
