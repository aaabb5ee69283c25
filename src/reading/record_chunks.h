// A stream of records passed from one thread to another in chunks, so that
// a file's record need not be held whole: each chunk holds whole entries
// back to back. The writer fills chunks and hands them over; the reader
// takes them in order.
#pragma once
#include <cstddef>
#include <functional>
#include <memory>

struct record_chunk {
    std::unique_ptr<char[]> bytes;
    std::size_t size = 0;
    std::size_t capacity = 0;
};

// Where a reader gets its chunks.
class chunk_source {
public:
    virtual ~chunk_source() = default;
    // The next chunk, or false when there are no more. A chunk stays valid
    // until the next call.
    virtual bool next_chunk(const char*& begin, const char*& end) = 0;
};

// Fills chunks of `chunk_size` bytes (more for one long entry) and hands
// each over when the next entry does not fit, and the last one at the end.
class chunk_writer {
public:
    // `deliver` takes a chunk; false means nobody reads them any more.
    // `reuse`, when given, may fill an empty chunk with a buffer of
    // `chunk_size` bytes that the reader is done with: memory still in a cache.
    chunk_writer(std::size_t chunk_size, std::function<bool(record_chunk&)> deliver,
                 std::function<void(record_chunk&)> reuse = {});
    // Room for an entry of `size` bytes, to be filled and then committed;
    // null when the reader wants no more.
    char* reserve(std::size_t size);
    void commit(std::size_t size) { chunk_.size += size; }
    // Hands over what is filled; false when the reader wants no more.
    bool finish();

private:
    std::size_t chunk_size_;
    std::function<bool(record_chunk&)> deliver_;
    std::function<void(record_chunk&)> reuse_;
    record_chunk chunk_;
};
