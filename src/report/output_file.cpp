#include "report/output_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Direct writes are whole blocks of this size from memory aligned to it,
// the largest logical block of common disks.
constexpr std::size_t DIRECT_BLOCK = 4096;
// Bytes waiting for one direct write: enough that a write's fixed cost is
// nothing, little beside a model that makes a report this large.
constexpr std::size_t DIRECT_BUFFER = std::size_t{4} << 20;
// The stream's own buffer, handed over in pieces of this size: 1 MB wrote
// a report of 160 MB (310,000 traps) with 12% less CPU than the C
// library's 8 KB (fewer calls, and the page cache filled in larger pieces);
// 64 KB and 256 KB saved nothing measurable, 4 MB no more than 1 MB.
constexpr std::size_t STREAM_BUFFER = std::size_t{1} << 20;

std::size_t cached_bytes = std::size_t{64} << 20;
std::uint64_t direct_bytes = 0;

struct direct_output {
    int fd;
    std::uint64_t offset = 0;    // bytes written to fd so far
    bool may_go_direct = false;  // a regular file, direct writes not refused
    bool direct = false;         // O_DIRECT on, bytes gathered in buffer
    char* buffer = nullptr;
    std::size_t filled = 0;
    char* stream_buffer = nullptr;  // the stream's buffer, freed with the file
    std::FILE* stream = nullptr;
    direct_output* next_open = nullptr;
};

bool write_all(direct_output* file, const char* data, std::size_t size) {
    while (size > 0) {
        ssize_t written = ::write(file->fd, data, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            if (written == 0) errno = EIO;  // no progress: a failure, not a loop
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
        file->offset += static_cast<std::uint64_t>(written);
    }
    return true;
}

bool set_direct(int fd, bool on) {
    int flags = fcntl(fd, F_GETFL);
    if (flags < 0) return false;
    return fcntl(fd, F_SETFL, on ? flags | O_DIRECT : flags & ~O_DIRECT) == 0;
}

// The file offset is on a block boundary: the rest goes straight to the
// disk, unless the file system refuses.
void enter_direct(direct_output* file) {
    if (!file->buffer) file->buffer = static_cast<char*>(std::aligned_alloc(DIRECT_BLOCK, DIRECT_BUFFER));
    if (!file->buffer || !set_direct(file->fd, true)) {
        file->may_go_direct = false;
        return;
    }
    file->direct = true;
    file->filled = 0;
}

// Through the cache for the rest of the file.
bool leave_direct(direct_output* file) {
    file->may_go_direct = false;
    file->direct = false;
    return set_direct(file->fd, false);
}

// Writes the buffer's first `size` bytes, whole blocks, straight to the
// disk. A file system that refuses a direct write (some say so only then),
// or a write cut short off a block boundary, sends the rest through the cache.
bool write_direct(direct_output* file, std::size_t size) {
    const char* data = file->buffer;
    while (size > 0) {
        ssize_t written = ::write(file->fd, data, size);
        if (written < 0 && errno == EINTR) continue;
        if (written < 0 && errno != EINVAL) return false;
        if (written > 0) {
            data += written;
            size -= static_cast<std::size_t>(written);
            file->offset += static_cast<std::uint64_t>(written);
            direct_bytes += static_cast<std::uint64_t>(written);
            if (written % DIRECT_BLOCK == 0) continue;
        }
        return leave_direct(file) && write_all(file, data, size);
    }
    return true;
}

ssize_t write_output(void* cookie, const char* data, std::size_t size) {
    auto* file = static_cast<direct_output*>(cookie);
    const auto asked = static_cast<ssize_t>(size);
    if (!file->direct && file->may_go_direct && file->offset + size > cached_bytes) {
        // Through the cache up to the first block boundary past cached_bytes.
        std::uint64_t from = std::max<std::uint64_t>(file->offset, cached_bytes);
        std::uint64_t boundary = (from + DIRECT_BLOCK - 1) / DIRECT_BLOCK * DIRECT_BLOCK;
        if (boundary <= file->offset + size) {
            auto head = static_cast<std::size_t>(boundary - file->offset);
            if (!write_all(file, data, head)) return 0;
            data += head;
            size -= head;
            enter_direct(file);
        }
    }
    while (file->direct && size > 0) {
        std::size_t piece = std::min(size, DIRECT_BUFFER - file->filled);
        std::memcpy(file->buffer + file->filled, data, piece);
        file->filled += piece;
        data += piece;
        size -= piece;
        if (file->filled == DIRECT_BUFFER) {
            file->filled = 0;
            if (!write_direct(file, DIRECT_BUFFER)) return 0;
        }
    }
    if (!write_all(file, data, size)) return 0;
    return asked;
}

// Writes the bytes gathered for direct writes: whole blocks straight to the
// disk, the last partial one through the cache, as is all that follows.
bool write_gathered(direct_output* file) {
    if (!file->direct) return true;
    std::size_t whole = file->filled / DIRECT_BLOCK * DIRECT_BLOCK;
    std::size_t tail = file->filled - whole;
    file->filled = 0;
    bool written = write_direct(file, whole);
    if (written && file->direct) written = leave_direct(file);
    return written && write_all(file, file->buffer + whole, tail);
}

// Files open, so that a process ending without closing them (a fatal error)
// still writes all it wrote to them, as the C library does for its own
// buffers: exit flushes streams but closes none, and the bytes gathered
// here would be lost. A list through the files themselves, never destroyed:
// the files stay reachable until the process has ended.
direct_output* open_files = nullptr;

void write_open_files_at_exit() {
    for (direct_output* file = open_files; file; file = file->next_open) {
        std::fflush(file->stream);
        write_gathered(file);
    }
}

int close_output(void* cookie) {
    auto* file = static_cast<direct_output*>(cookie);
    for (direct_output** link = &open_files; *link; link = &(*link)->next_open)
        if (*link == file) {
            *link = file->next_open;
            break;
        }
    bool written = write_gathered(file);
    bool closed = ::close(file->fd) == 0;
    std::free(file->buffer);
    std::free(file->stream_buffer);
    delete file;
    return written && closed ? 0 : -1;
}

}  // namespace

std::FILE* open_output_file(const char* path) {
    int fd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (fd < 0) return nullptr;
    auto* file = new direct_output{fd};
    struct stat status;
    file->may_go_direct = fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
    cookie_io_functions_t functions = {nullptr, write_output, nullptr, close_output};
    std::FILE* stream = fopencookie(file, "w", functions);
    if (!stream) {
        int error = errno;
        close_output(file);
        errno = error;
        return nullptr;
    }
    // Without it the stream keeps the library's own buffer.
    file->stream_buffer = static_cast<char*>(std::malloc(STREAM_BUFFER));
    if (file->stream_buffer) std::setvbuf(stream, file->stream_buffer, _IOFBF, STREAM_BUFFER);
    static bool written_at_exit = (std::atexit(write_open_files_at_exit), true);
    (void)written_at_exit;
    file->stream = stream;
    file->next_open = open_files;
    open_files = file;
    return stream;
}

std::size_t output_cached_bytes() { return cached_bytes; }
void set_output_cached_bytes(std::size_t bytes) { cached_bytes = bytes; }
std::uint64_t output_bytes_written_direct() { return direct_bytes; }
