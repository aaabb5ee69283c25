// Output files that may grow to gigabytes: the review report and the
// cross-reference of a large program.
//
// A file's first bytes go through the page cache like any file's. Past
// output_cached_bytes(), a regular file on a file system that takes it is
// written straight to the disk from one aligned buffer (O_DIRECT): a report
// of gigabytes would otherwise cost a copy of every byte into the cache, into
// memory the process never touched before, and push the build's own files
// out of the cache for pages nobody reads soon. Elsewhere (a pipe, a device,
// a file system that refuses it) every byte is written as usual.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>

// Opens the file for writing, created or truncated like fopen's "wb"; null
// with errno set when it cannot be opened. fclose reports a failed write.
std::FILE* open_output_file(const char* path);

// The bytes written through the page cache before the rest goes straight to
// the disk; tests lower it to reach the direct path with small files.
std::size_t output_cached_bytes();
void set_output_cached_bytes(std::size_t bytes);
// The bytes this process has written straight to the disk.
std::uint64_t output_bytes_written_direct();
