// Paths as URIs: backslashes become slashes, a drive letter gets its own
// leading slash, and anything outside the path characters is percent-encoded.
#include "kyvreport/artifact_uri.h"

#include <QDir>
#include <QFileInfo>

namespace {

bool is_drive_path(const std::string& path) {
    return path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' &&
           (path[2] == '/' || path[2] == '\\');
}

std::string forward_slashes(std::string path) {
    for (char& c : path)
        if (c == '\\') c = '/';
    return path;
}

}  // namespace

std::string encode_uri_path(const std::string& path) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(path.size());
    for (unsigned char c : path) {
        const bool plain = std::isalnum(c) || std::string("-._~!$&'()*+,;=:@/").find(static_cast<char>(c)) !=
                                                   std::string::npos;
        if (plain && c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

artifact_uris::artifact_uris(const std::string& root) {
    if (root.empty()) return;
    QString absolute = QFileInfo(QString::fromStdString(root)).absoluteFilePath();
    absolute = QDir::cleanPath(absolute);
    root_ = absolute.toStdString();
    while (root_.size() > 1 && root_.back() == '/') root_.pop_back();
}

std::string artifact_uris::root_uri() const {
    return "file://" + encode_uri_path(root_ == "/" ? root_ : root_ + "/");
}

artifact_location artifact_uris::locate(const std::string& full_path) const {
    const std::string path = forward_slashes(full_path);
    if (is_drive_path(path)) return {"file:///" + encode_uri_path(path), ""};
    if (path.empty() || path[0] != '/') {
        // A relative path names a file below wherever the analyser ran; the
        // source root is the best base there is for it.
        return {encode_uri_path(path.empty() ? std::string("unknown") : path), "SRCROOT"};
    }
    if (!root_.empty()) {
        const std::string clean = QDir::cleanPath(QString::fromStdString(path)).toStdString();
        const std::string prefix = root_ == "/" ? root_ : root_ + "/";
        if (clean.size() > prefix.size() && clean.compare(0, prefix.size(), prefix) == 0)
            return {encode_uri_path(clean.substr(prefix.size())), "SRCROOT"};
    }
    return {"file://" + encode_uri_path(path), ""};
}

std::string artifact_uris::display_path(const std::string& full_path) const {
    const std::string prefix = root_prefix();
    if (prefix.empty() || full_path.empty() || full_path[0] != '/') return full_path;
    const std::string clean = QDir::cleanPath(QString::fromStdString(full_path)).toStdString();
    if (clean.size() > prefix.size() && clean.compare(0, prefix.size(), prefix) == 0) return clean.substr(prefix.size());
    return full_path;
}
