#include "update/SetupSignature.h"

#include <QFile>

#include <openssl/evp.h>

#include <memory>

#ifndef MERAVEL_RELEASE_PUBLIC_KEY
// The release key of the maker (hex of the 32 raw bytes). A build may give another one with
// -DMERAVEL_RELEASE_PUBLIC_KEY=<hex>; scripts/sign-release.sh prints the value for a key file.
#define MERAVEL_RELEASE_PUBLIC_KEY "45c45cdb10a541d58e039aa0a05c1204e56e28728f584a2619269947bf9025ff"
#endif

namespace {
QByteArray& keyOverride()
{
    static QByteArray key;
    return key;
}
} // namespace

namespace SetupSignature {
QString signatureAddress(const QString& setupAddress) { return setupAddress + QStringLiteral(".sig"); }

QByteArray publicKey()
{
    if (!keyOverride().isEmpty())
        return keyOverride();
    return QByteArray::fromHex(MERAVEL_RELEASE_PUBLIC_KEY);
}

void setPublicKey(const QByteArray& rawKey) { keyOverride() = rawKey; }

bool verify(const QByteArray& data, const QByteArray& signature, const QByteArray& rawPublicKey)
{
    if (signature.size() != SignatureSize || rawPublicKey.size() != PublicKeySize)
        return false;
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(
        EVP_PKEY_new_raw_public_key(EVP_PKEY_ED25519, nullptr,
                                    reinterpret_cast<const unsigned char*>(rawPublicKey.constData()), PublicKeySize),
        &EVP_PKEY_free);
    if (!key)
        return false;
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    if (!ctx || EVP_DigestVerifyInit(ctx.get(), nullptr, nullptr, nullptr, key.get()) != 1)
        return false;
    // Ed25519 signs the whole message at once, so the file is verified in one call.
    return EVP_DigestVerify(ctx.get(), reinterpret_cast<const unsigned char*>(signature.constData()),
                            size_t(signature.size()), reinterpret_cast<const unsigned char*>(data.constData()),
                            size_t(data.size()))
        == 1;
}

bool verifyFile(const QString& path, const QByteArray& signature, const QByteArray& rawPublicKey)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return false;
    return verify(data, signature, rawPublicKey);
}
} // namespace SetupSignature
