// Whole files or nothing: a file is written under a temporary name beside
// its place and renamed over it once every byte is on disk, so that no run
// (also one that is killed) leaves a half-written xob file behind.
#pragma once
#include <string>

// False with `error` set ("cannot write OUT/a.xob: No space left on device").
bool write_whole_file(const std::string& path, const std::string& text, std::string& error);
bool read_whole_file(const std::string& path, std::string& text);
// Makes the folder and its parents; false with `error` set.
bool make_folders(const std::string& path, std::string& error);
