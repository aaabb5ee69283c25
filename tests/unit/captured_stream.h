// A stdio stream whose bytes a test reads back as a string.
#pragma once
#include <cstdio>
#include <cstdlib>
#include <string>

class captured_stream {
public:
    captured_stream() { stream_ = open_memstream(&buffer_, &size_); }
    ~captured_stream() {
        if (stream_) std::fclose(stream_);
        std::free(buffer_);
    }
    captured_stream(const captured_stream&) = delete;
    captured_stream& operator=(const captured_stream&) = delete;

    std::FILE* stream() { return stream_; }
    std::string text() {
        std::fflush(stream_);
        return std::string(buffer_, size_);
    }

private:
    char* buffer_ = nullptr;
    std::size_t size_ = 0;
    std::FILE* stream_ = nullptr;
};
