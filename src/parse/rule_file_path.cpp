#include "parse/rule_file_path.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <vector>

namespace {

bool is_file(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool exists(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

bool ends_with(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

std::string rule_file_path(const std::string& given, const std::string& program_folder) {
    if (given.empty() || program_folder.empty() || given.find('/') != std::string::npos || exists(given))
        return given;
    // The program's folder is resolved, so its parent is the prefix as text.
    std::size_t slash = program_folder.rfind('/');
    std::string prefix = slash == std::string::npos ? program_folder + "/.." : program_folder.substr(0, slash);
    std::string installed = prefix + "/share/kyvld/" + given;
    if (!ends_with(given, ".xml")) installed += ".xml";
    return is_file(installed) ? installed : given;
}

std::string running_program_folder() {
    std::vector<char> buffer(PATH_MAX + 1, '\0');
    ssize_t length = readlink("/proc/self/exe", buffer.data(), PATH_MAX);
    if (length <= 0) return std::string();
    std::string path(buffer.data(), static_cast<std::size_t>(length));
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return std::string();
    return slash == 0 ? "/" : path.substr(0, slash);
}
