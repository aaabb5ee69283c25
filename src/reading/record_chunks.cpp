#include "reading/record_chunks.h"

#include <utility>

chunk_writer::chunk_writer(std::size_t chunk_size, std::function<bool(record_chunk&)> deliver,
                           std::function<void(record_chunk&)> reuse)
    : chunk_size_(chunk_size), deliver_(std::move(deliver)), reuse_(std::move(reuse)) {}

char* chunk_writer::reserve(std::size_t size) {
    if (chunk_.size + size > chunk_.capacity) {
        if (!finish()) return nullptr;
        if (size <= chunk_size_ && reuse_) reuse_(chunk_);
        if (!chunk_.bytes) {
            chunk_.capacity = size > chunk_size_ ? size : chunk_size_;
            chunk_.bytes.reset(new char[chunk_.capacity]);
        }
    }
    return chunk_.bytes.get() + chunk_.size;
}

bool chunk_writer::finish() {
    if (chunk_.size == 0) return true;
    bool wanted = deliver_(chunk_);
    chunk_ = record_chunk();
    return wanted;
}
