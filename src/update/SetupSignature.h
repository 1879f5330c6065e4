#pragma once
#include <QByteArray>
#include <QString>

// The set-up program arrives over plain HTTP, so the program starts it only when its detached
// signature (the set-up address followed by ".sig": 64 raw bytes of an Ed25519 signature over
// the file) verifies against the release public key compiled into the program.
namespace SetupSignature {
constexpr int SignatureSize = 64;
constexpr int PublicKeySize = 32;

QString signatureAddress(const QString& setupAddress);

// The release public key (32 raw bytes).
QByteArray publicKey();
// Replaces the key (tests sign with their own pair); an empty array returns to the built-in one.
void setPublicKey(const QByteArray& rawKey);

// Whether `signature` is a valid Ed25519 signature of the data by the key.
bool verify(const QByteArray& data, const QByteArray& signature, const QByteArray& rawPublicKey);
// The same over a file's contents (false when it cannot be read).
bool verifyFile(const QString& path, const QByteArray& signature, const QByteArray& rawPublicKey);
} // namespace SetupSignature
