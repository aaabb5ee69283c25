// The compiler's own system include folders, asked of the compiler itself
// ("-E -v"), so that a cross compiler's headers are the ones parsed. Folders
// libclang already searches (the host's /usr/include and friends) and the
// compiler's private folders of built-in headers (libclang brings its own)
// are left out. Only a program named like a C compiler is run, and without
// a shell; anything else gives no folders.
#pragma once
#include <map>
#include <mutex>
#include <string>
#include <vector>

std::vector<std::string> query_system_dirs(const std::string& compiler);

// One answer per compiler for the whole run, shared by the worker threads.
class system_dirs_cache {
public:
    std::vector<std::string> get(const std::string& compiler);

private:
    std::mutex mutex_;
    std::map<std::string, std::vector<std::string>> known_;
};
