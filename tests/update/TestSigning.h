#pragma once
#include <QByteArray>

#include <openssl/evp.h>

#include <memory>

// An Ed25519 key pair of the tests' own, to sign set-up files the way a release is signed.
class TestKeyPair {
public:
    TestKeyPair()
    {
        std::unique_ptr<EVP_PKEY_CTX, decltype(&EVP_PKEY_CTX_free)> ctx(EVP_PKEY_CTX_new_id(EVP_PKEY_ED25519, nullptr),
                                                                         &EVP_PKEY_CTX_free);
        EVP_PKEY_keygen_init(ctx.get());
        EVP_PKEY_keygen(ctx.get(), &m_key);
    }
    ~TestKeyPair() { EVP_PKEY_free(m_key); }
    TestKeyPair(const TestKeyPair&) = delete;
    TestKeyPair& operator=(const TestKeyPair&) = delete;

    QByteArray publicKey() const
    {
        QByteArray raw(32, '\0');
        size_t size = 32;
        EVP_PKEY_get_raw_public_key(m_key, reinterpret_cast<unsigned char*>(raw.data()), &size);
        return raw;
    }

    QByteArray sign(const QByteArray& data) const
    {
        std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
        EVP_DigestSignInit(ctx.get(), nullptr, nullptr, nullptr, m_key);
        QByteArray sig(64, '\0');
        size_t size = 64;
        EVP_DigestSign(ctx.get(), reinterpret_cast<unsigned char*>(sig.data()), &size,
                       reinterpret_cast<const unsigned char*>(data.constData()), size_t(data.size()));
        return sig;
    }

private:
    EVP_PKEY* m_key = nullptr;
};
