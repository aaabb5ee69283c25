#include "kyvscan/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <thread>

namespace {

std::string failure(const char* what, const std::string& path) {
    return std::string("cannot ") + what + " " + path + ": " + std::strerror(errno);
}

}  // namespace

bool write_whole_file(const std::string& path, const std::string& text, std::string& error) {
    // One file at a time per thread: the process and thread make the name unique.
    std::string temporary = path + ".tmp" + std::to_string(getpid()) + "." +
                            std::to_string(std::hash<std::thread::id>()(std::this_thread::get_id()));
    int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        error = failure("write", path);
        return false;
    }
    std::size_t done = 0;
    while (done < text.size()) {
        ssize_t written = write(fd, text.data() + done, text.size() - done);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            if (written == 0) errno = EIO;
            error = failure("write", path);
            close(fd);
            unlink(temporary.c_str());
            return false;
        }
        done += static_cast<std::size_t>(written);
    }
    if (close(fd) != 0 || rename(temporary.c_str(), path.c_str()) != 0) {
        error = failure("write", path);
        unlink(temporary.c_str());
        return false;
    }
    return true;
}

bool read_whole_file(const std::string& path, std::string& text) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    text.clear();
    char buffer[1 << 16];
    std::size_t count;
    while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, count);
    bool ok = !std::ferror(file);
    std::fclose(file);
    return ok;
}

bool make_folders(const std::string& path, std::string& error) {
    std::string partial;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t slash = path.find('/', start);
        if (slash == std::string::npos) slash = path.size();
        partial = path.substr(0, slash);
        if (!partial.empty() && mkdir(partial.c_str(), 0777) != 0 && errno != EEXIST) {
            error = failure("make folder", partial);
            return false;
        }
        start = slash + 1;
    }
    struct stat info;
    if (stat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        errno = ENOTDIR;
        error = failure("use folder", path);
        return false;
    }
    return true;
}
