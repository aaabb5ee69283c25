// An output named on the command line: standard output for "-", a device or
// pipe written in place, else a temporary file beside the target that
// replaces it only once the whole output has been written, so a failed run
// leaves no partial file behind.
#pragma once
#include <cstdio>
#include <string>
#include <vector>

class output_file {
public:
    output_file() = default;
    output_file(const output_file&) = delete;
    output_file& operator=(const output_file&) = delete;
    ~output_file();  // removes an uncommitted temporary file

    // Returns what went wrong ("" when the output is open).
    std::string open(const std::string& path);
    std::FILE* stream() const { return stream_; }
    // Flushes and, for a file, moves it into place; returns what went wrong.
    std::string commit();
    // Drops the temporary file.
    void discard();

private:
    std::string path_;
    std::string temporary_;
    std::FILE* stream_ = nullptr;
};
