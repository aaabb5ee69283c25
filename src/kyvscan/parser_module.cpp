#include "kyvscan/parser_module.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <vector>

#include "kyvscan/paths.h"

namespace {

std::string program_folder() {
    std::vector<char> buffer(PATH_MAX + 1, '\0');
    ssize_t length = readlink("/proc/self/exe", buffer.data(), PATH_MAX);
    if (length <= 0) return ".";
    return path_directory(std::string(buffer.data(), static_cast<std::size_t>(length)));
}

}  // namespace

scan_unit_function load_parser_module(std::string& error) {
    std::string folder = program_folder();
    std::string tried;
    for (const std::string& path :
         {folder + "/libkyvscan_parse.so", normal_path(folder, "../lib/kyvld/libkyvscan_parse.so")}) {
        void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!module) {
            const char* why = dlerror();
            tried += "\n  " + (why ? std::string(why) : path);
            continue;
        }
        if (void* entry = dlsym(module, "kyvscan_scan_unit"))
            return reinterpret_cast<scan_unit_function>(entry);
        tried += "\n  " + path + ": no kyvscan_scan_unit";
    }
    error = "cannot load the parser module:" + tried;
    return nullptr;
}
