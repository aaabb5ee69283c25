// Digests with SHA-256 over the parts separated by bytes no text contains.
#include "kyvreport/trap_identity.h"

#include <QCryptographicHash>

std::string trap_identities::identify(const std::string& rule, const std::string& file_uri,
                                      const std::string& function,
                                      const std::vector<std::string>& names) {
    std::string input = rule + '\x1f' + file_uri + '\x1f' + function + '\x1f';
    for (const std::string& name : names) input += name + '\x1e';
    const QByteArray digest =
        QCryptographicHash::hash(QByteArray(input.data(), static_cast<int>(input.size())),
                                 QCryptographicHash::Sha256)
            .toHex()
            .left(32);
    const std::string base(digest.constData(), static_cast<size_t>(digest.size()));
    return base + ':' + std::to_string(++repeats_[base]);
}
