// Content hashes of source files (XXH3-128 as 32 hexadecimal digits): the
// xob file's `cle` and the cache's keys.
#pragma once
#include <cstddef>
#include <string>

std::string content_hash(const char* data, std::size_t length);
// The hash of a file's bytes; empty when it cannot be read.
std::string file_content_hash(const std::string& path);
