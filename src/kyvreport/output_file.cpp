// Temporary files are made with mkstemp in the target's folder, so that the
// final rename stays on one file system, and get the permissions a plainly
// created file would have.
#include "kyvreport/output_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

std::string folder_of(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string last_error() { return std::strerror(errno); }

}  // namespace

output_file::~output_file() { discard(); }

std::string output_file::open(const std::string& path) {
    path_ = path;
    if (path == "-") {
        stream_ = stdout;
        return "";
    }
    struct stat existing;
    if (stat(path.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode)) {
        if (S_ISDIR(existing.st_mode)) return "cannot write it: it is a directory";
        // A device or a pipe is written in place: renaming a file over it
        // would replace it.
        stream_ = std::fopen(path.c_str(), "wb");
        return stream_ ? "" : "cannot write it: " + last_error();
    }
    std::string pattern = folder_of(path) + "/.kyvreport-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int descriptor = mkstemp(name.data());
    if (descriptor < 0) return "cannot create a file in " + folder_of(path) + ": " + last_error();
    temporary_ = name.data();
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(descriptor, 0666 & ~mask);
    stream_ = fdopen(descriptor, "wb");
    if (!stream_) {
        const std::string problem = last_error();
        close(descriptor);
        discard();
        return "cannot write: " + problem;
    }
    return "";
}

std::string output_file::commit() {
    if (!stream_) return "not open";
    if (temporary_.empty()) {
        const bool failed = std::fflush(stream_) != 0 || std::ferror(stream_);
        const bool close_failed = stream_ != stdout && std::fclose(stream_) != 0;
        stream_ = nullptr;
        return failed || close_failed ? "cannot write: " + last_error() : "";
    }
    const bool write_failed = std::ferror(stream_) != 0;
    const bool close_failed = std::fclose(stream_) != 0;
    stream_ = nullptr;
    if (write_failed || close_failed) {
        const std::string problem = last_error();
        discard();
        return "cannot write: " + problem;
    }
    if (std::rename(temporary_.c_str(), path_.c_str()) != 0) {
        const std::string problem = last_error();
        discard();
        return "cannot create it: " + problem;
    }
    temporary_.clear();
    return "";
}

void output_file::discard() {
    if (stream_ && stream_ != stdout) std::fclose(stream_);
    stream_ = nullptr;
    if (!temporary_.empty()) std::remove(temporary_.c_str());
    temporary_.clear();
}
