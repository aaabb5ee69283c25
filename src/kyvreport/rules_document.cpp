#include "kyvreport/rules_document.h"

#include <unistd.h>

#include <climits>
#include <vector>

#include <QDir>
#include <QFileInfo>

#include "kyvreport/artifact_uri.h"

std::string rules_document_uri() {
    std::vector<char> buffer(PATH_MAX + 1);
    const ssize_t length = readlink("/proc/self/exe", buffer.data(), PATH_MAX);
    QString folder = "/usr/bin";
    if (length > 0) folder = QFileInfo(QString::fromLocal8Bit(buffer.data(), static_cast<int>(length))).absolutePath();
    const QString installed = QDir::cleanPath(folder + "/../share/doc/kyvld/rules.html");
    const QString built = folder + "/rules.html";
    const QString chosen = !QFileInfo(installed).isFile() && QFileInfo(built).isFile() ? built : installed;
    return "file://" + encode_uri_path(chosen.toStdString());
}
