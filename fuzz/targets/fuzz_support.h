// Helpers shared by the libFuzzer targets: an input as a file the readers
// can open by name, and the way a target reports a broken property.
#pragma once
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

// A file in memory that holds the current input; the readers open it by the
// name /proc/self/fd/N as they would open a file named on the command line.
class input_file {
public:
    input_file() : fd_(memfd_create("fuzz-input", 0)), path_("/proc/self/fd/" + std::to_string(fd_)) {
        if (fd_ < 0) std::abort();
    }
    // Replaces the content by the bytes [data, data + size).
    const char* hold(const std::uint8_t* data, std::size_t size) {
        if (ftruncate(fd_, 0) != 0) std::abort();
        std::size_t done = 0;
        while (done < size) {
            ssize_t n = pwrite(fd_, data + done, size - done, static_cast<off_t>(done));
            if (n <= 0) std::abort();
            done += static_cast<std::size_t>(n);
        }
        return path_.c_str();
    }

private:
    int fd_;
    std::string path_;
};

// Collects what a writer puts on a stdio stream, in one buffer reused for
// every input (a stream per input would cost more than the writing).
class written_text {
public:
    written_text() : buffer_(1 << 20) {}
    std::FILE* open() {
        stream_ = fmemopen(buffer_.data(), buffer_.size(), "w");
        if (!stream_) std::abort();
        return stream_;
    }
    // Closes the stream; the bytes written, which must have fitted.
    std::string close() {
        long length = std::ftell(stream_);
        std::fclose(stream_);
        if (length < 0 || static_cast<std::size_t>(length) >= buffer_.size()) std::abort();
        return std::string(buffer_.data(), static_cast<std::size_t>(length));
    }

private:
    std::vector<char> buffer_;
    std::FILE* stream_ = nullptr;
};

// A property of the output does not hold: the fuzzer records the input.
[[noreturn]] inline void broken(const char* what, const std::string& detail) {
    std::fprintf(stderr, "fuzz target: %s: %s\n", what, detail.c_str());
    std::abort();
}
