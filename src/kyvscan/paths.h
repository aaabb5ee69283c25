// Paths as the scanner compares them: absolute and lexically normal, with no
// look at the file system (a unit's files may not exist yet or any more).
#pragma once
#include <string>

// `path` joined to `base` when relative, then "." and ".." parts and repeated
// slashes removed ("/a/./b/../c" is "/a/c"; ".." above the root stays at it).
std::string normal_path(const std::string& base, const std::string& path);
std::string path_base_name(const std::string& path);
std::string path_directory(const std::string& path);
