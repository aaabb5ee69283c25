#include "kyvscan/scan_cache.h"

#include "kyvscan/atomic_file.h"
#include "kyvscan/content_hash.h"

std::string hash_memo::hash_of(const std::string& path) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto found = hashes_.find(path);
        if (found != hashes_.end()) return found->second;
    }
    std::string hash = file_content_hash(path);
    std::lock_guard<std::mutex> lock(mutex_);
    return hashes_.emplace(path, hash).first->second;
}

std::string unit_key_header(const std::string& command_identity) {
    return "kyvscan " KYV_VERSION " " + content_hash(command_identity.data(), command_identity.size());
}

bool unit_key_holds(const std::string& key_path, const std::string& header, hash_memo& hashes) {
    std::string text;
    if (!read_whole_file(key_path, text)) return false;
    std::size_t end = text.find('\n');
    if (end == std::string::npos || text.compare(0, end, header) != 0 || end != header.size())
        return false;
    std::size_t start = end + 1;
    bool any = false;
    while (start < text.size()) {
        end = text.find('\n', start);
        if (end == std::string::npos) return false;  // cut short: not a key we wrote
        std::string line = text.substr(start, end - start);
        start = end + 1;
        std::size_t blank = line.find(' ');
        if (blank != 32) return false;
        std::string hash = line.substr(0, blank);
        if (hashes.hash_of(line.substr(blank + 1)) != hash) return false;
        any = true;
    }
    return any;
}

std::string unit_key_text(const std::string& header,
                          const std::vector<std::pair<std::string, std::string>>& files) {
    std::string text = header + "\n";
    for (const auto& file : files) text += file.second + " " + file.first + "\n";
    return text;
}
