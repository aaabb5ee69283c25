#include "kyvreport/source_links.h"

#include <cctype>

#include <QByteArray>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace {

void replace_all(std::string& text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

// The scheme of a URL, lower-cased; "" for a relative reference.
std::string scheme_of(const std::string& url) {
    size_t end = 0;
    while (end < url.size() && (std::isalnum(static_cast<unsigned char>(url[end])) || url[end] == '+' ||
                                url[end] == '-' || url[end] == '.'))
        ++end;
    if (end == 0 || end >= url.size() || url[end] != ':' || !std::isalpha(static_cast<unsigned char>(url[0])))
        return "";
    std::string scheme = url.substr(0, end);
    for (char& c : scheme) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return scheme;
}

std::string percent_decoded(const std::string& text) {
    return QByteArray::fromPercentEncoding(QByteArray::fromStdString(text)).toStdString();
}

}  // namespace

std::string check_source_url(const std::string& url_template) {
    if (url_template.find("{path}") == std::string::npos)
        return "--source-url needs {path} where the file's path goes, not '" + url_template + "'";
    const std::string scheme = scheme_of(url_template);
    if (!scheme.empty() && scheme != "http" && scheme != "https" && scheme != "file")
        return "--source-url takes an http, https or file URL, not '" + url_template + "'";
    return "";
}

std::string link_at_line(const std::string& link, long long line) {
    std::string out = link;
    replace_all(out, "{line}", std::to_string(line > 0 ? line : 1));
    return out;
}

source_links::source_links(const artifact_uris& uris, const std::string& url_template, const std::string& page)
    : uris_(uris), template_(url_template) {
    const QString file = QString::fromStdString(page == "-" ? std::string("page.html") : page);
    page_folder_ = QDir::cleanPath(QFileInfo(file).absolutePath()).toStdString();
}

// path: relative to the source root, as display_path gives it.
std::string source_links::root_relative_link(const std::string& path) const {
    if (!template_.empty()) {
        std::string link = template_;
        replace_all(link, "{path}", encode_uri_path(path));
        return link;
    }
    const std::string absolute = uris_.root_prefix() + path;
    const QString relative = QDir(QString::fromStdString(page_folder_)).relativeFilePath(QString::fromStdString(absolute));
    return encode_uri_path(relative.toStdString());
}

std::string source_links::file_link(const std::string& full_path) const {
    if (full_path.empty()) return "";
    const bool relative = full_path[0] != '/';
    if (uris_.has_root() && (relative || uris_.below_root(full_path)))
        return root_relative_link(uris_.display_path(full_path));
    if (!template_.empty() || relative) return "";
    return "file://" + encode_uri_path(QDir::cleanPath(QString::fromStdString(full_path)).toStdString());
}

std::string source_links::uri_link(const std::string& uri, const std::string& base_id) const {
    if (uri.empty()) return "";
    if (base_id.empty()) {
        // Only a file URI names a file; anything else in an old log is no link.
        if (scheme_of(uri) != "file") return "";
        const QUrl url(QString::fromStdString(uri));
        if (!url.isValid() || !url.isLocalFile()) return "";
        return file_link(url.toLocalFile().toStdString());
    }
    if (base_id != "SRCROOT" || !scheme_of(uri).empty() || !uris_.has_root()) return "";
    const std::string path = percent_decoded(uri);
    if (path.empty() || path[0] == '/') return "";
    return root_relative_link(path);
}
