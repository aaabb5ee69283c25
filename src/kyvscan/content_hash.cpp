#include "kyvscan/content_hash.h"

#include <cstdio>
#include <vector>

#include <xxhash.h>

std::string content_hash(const char* data, std::size_t length) {
    XXH128_hash_t hash = XXH3_128bits(data, length);
    char text[33];
    std::snprintf(text, sizeof text, "%016llx%016llx", static_cast<unsigned long long>(hash.high64),
                  static_cast<unsigned long long>(hash.low64));
    return text;
}

std::string file_content_hash(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return "";
    XXH3_state_t* state = XXH3_createState();
    XXH3_128bits_reset(state);
    std::vector<char> buffer(1 << 16);
    std::size_t count;
    bool failed = false;
    while ((count = std::fread(buffer.data(), 1, buffer.size(), file)) > 0)
        XXH3_128bits_update(state, buffer.data(), count);
    if (std::ferror(file)) failed = true;
    std::fclose(file);
    XXH128_hash_t hash = XXH3_128bits_digest(state);
    XXH3_freeState(state);
    if (failed) return "";
    char text[33];
    std::snprintf(text, sizeof text, "%016llx%016llx", static_cast<unsigned long long>(hash.high64),
                  static_cast<unsigned long long>(hash.low64));
    return text;
}
