#include "kyvreport/source_snippets.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>

#include <QDir>
#include <QString>

namespace {

// The canonical path (links resolved), "" when the file does not exist.
std::string canonical(const std::string& path) {
    char* resolved = realpath(path.c_str(), nullptr);
    if (!resolved) return "";
    std::string out = resolved;
    std::free(resolved);
    return out;
}

std::string valid_utf8(const std::string& bytes) {
    return QString::fromUtf8(bytes.data(), static_cast<int>(bytes.size())).toStdString();
}

}  // namespace

void source_snippets::close() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
}

std::string source_snippets::start_file(const std::string& full_path) {
    close();
    problem_.clear();
    lines_read_ = 0;
    recent_.clear();
    at_end_ = false;
    rereads_ = 0;
    if (!uris_.has_root()) return problem_ = "no source root";
    const bool relative = full_path.empty() || full_path[0] != '/';
    if (full_path.empty()) return problem_ = "no file";
    if (!relative && !uris_.below_root(full_path)) return problem_ = "outside the source root";
    const std::string path =
        QDir::cleanPath(QString::fromStdString(relative ? uris_.root_prefix() + full_path : full_path)).toStdString();
    const std::string root = canonical(uris_.root_prefix());
    const std::string real = canonical(path);
    if (root.empty() || real.empty()) return problem_ = "not found under the source root";
    const std::string prefix = root == "/" ? root : root + "/";
    if (real.compare(0, prefix.size(), prefix) != 0 || real.size() == prefix.size())
        return problem_ = "outside the source root";
    // Non-blocking, so that a named pipe put in place of a source cannot
    // hold the run; only a regular file is read.
    const int descriptor = open(real.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) return problem_ = "cannot be read";
    struct stat status;
    if (fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(descriptor);
        return problem_ = "not a regular file";
    }
    fcntl(descriptor, F_SETFL, fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
    file_ = fdopen(descriptor, "rb");
    if (!file_) {
        ::close(descriptor);
        return problem_ = "cannot be read";
    }
    return "";
}

// Reads one line into recent_, keeping its first MAX_LINE_BYTES bytes.
bool source_snippets::read_line() {
    if (!file_ || at_end_) return false;
    std::string line;
    bool cut = false, any = false;
    int c;
    while ((c = std::getc(file_)) != EOF) {
        any = true;
        if (c == '\n') break;
        if (c == '\0') {
            problem_ = "binary file";
            close();
            recent_.clear();
            return false;
        }
        if (line.size() < MAX_LINE_BYTES) line += static_cast<char>(c);
        else cut = true;
    }
    if (c == EOF) {
        at_end_ = true;
        if (!any) return false;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    line = valid_utf8(line);
    if (cut) line += "\xe2\x80\xa6";  // an ellipsis where the line goes on
    ++lines_read_;
    recent_.push_back(line);
    while (static_cast<long long>(recent_.size()) > 2 * SNIPPET_CONTEXT + 1) recent_.pop_front();
    return true;
}

bool source_snippets::restart() {
    if (!file_ || ++rereads_ > MAX_REREADS) return false;
    std::rewind(file_);
    lines_read_ = 0;
    recent_.clear();
    at_end_ = false;
    return true;
}

snippet source_snippets::around(long long line) {
    snippet out;
    if (!file_ || line <= 0 || line > LLONG_MAX - SNIPPET_CONTEXT) return out;
    const long long first = line > SNIPPET_CONTEXT ? line - SNIPPET_CONTEXT : 1;
    const long long last = line + SNIPPET_CONTEXT;
    const long long oldest_kept = lines_read_ - static_cast<long long>(recent_.size()) + 1;
    if (first < oldest_kept && !restart()) return out;
    while (lines_read_ < last && read_line()) {
    }
    if (!file_ && problem_ == "binary file") return out;
    const long long oldest = lines_read_ - static_cast<long long>(recent_.size()) + 1;
    for (long long number = first; number <= last && number <= lines_read_; ++number) {
        if (number < oldest) continue;
        if (out.lines.empty()) out.first_line = number;
        out.lines.push_back(recent_[static_cast<size_t>(number - oldest)]);
    }
    if (line > lines_read_) return snippet();  // the finding's own line is past the end
    return out;
}
