// The cache of project mode: beside each xob file, a key file naming what
// the xob file was made from (the tool's version, the compile step and the
// library rules' lists, then every file the unit read with its content
// hash). A unit whose key still holds is not parsed again.
#pragma once
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

// Content hashes of the files of one run, each file read once however many
// units include it; shared by the worker threads.
class hash_memo {
public:
    std::string hash_of(const std::string& path);

private:
    std::mutex mutex_;
    std::map<std::string, std::string> hashes_;
};

// The first line of a key: what the unit's xob file depends on besides files.
std::string unit_key_header(const std::string& command_identity);

// True when `key_path` exists, starts with `header` and every file it lists
// still has its hash.
bool unit_key_holds(const std::string& key_path, const std::string& header, hash_memo& hashes);

// The key text for the files a unit read, with the hashes of the contents
// the parser saw (a file changed during the run then fails the next check).
std::string unit_key_text(const std::string& header,
                          const std::vector<std::pair<std::string, std::string>>& files);
