// Digests with SHA-256 over the parts separated by bytes no text contains.
#include "kyvreport/trap_identity.h"

#include <QCryptographicHash>

std::string trap_identities::identify(const std::string& rule, const std::string& file, const std::string& function,
                                      const std::vector<std::string>& names, const std::string& related_file) {
    std::string input = rule + '\x1f' + file + '\x1f' + function + '\x1f';
    for (const std::string& name : names) input += name + '\x1e';
    input += '\x1f' + related_file;
    const QByteArray digest =
        QCryptographicHash::hash(QByteArray(input.data(), static_cast<int>(input.size())),
                                 QCryptographicHash::Sha256)
            .toHex()
            .left(32);
    const std::string base(digest.constData(), static_cast<size_t>(digest.size()));
    return base + ':' + std::to_string(++repeats_[base]);
}
