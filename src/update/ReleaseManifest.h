#pragma once
#include <QByteArray>
#include <QString>

// What a release is, signed by its maker: the release's comparison number (the major
// version's digits followed by the minor's, as in LastVersion.txt), and the size and SHA-256
// of its set-up program. The program downloads a set-up program only when the manifest's
// signature verifies against the release key compiled into it and its number is higher than
// the program's own, and starts the file only when it has exactly that size and hash, so an
// older genuinely signed set-up program cannot be passed off as an update.
//
// The manifest is text, one field a line (LF or CR LF), in this order and nothing else:
//   meravel-release 1
//   version 26
//   size 48213504
//   sha256 <64 lower-case hex digits>
// Its signature (the manifest's address followed by ".sig") is the 64-byte Ed25519 signature
// of the manifest's bytes. scripts/sign-release.sh writes both.
namespace ReleaseManifest {
struct Manifest {
    qint64 version = 0;
    qint64 size = 0;
    QByteArray sha256; // 32 raw bytes
};

constexpr int MaxBytes = 4096; // far more than a manifest needs

QString address(); // on the update server, beside the set-up program
QString signatureAddress(const QString& address); // address + ".sig"

// Reads the text; false when it is not exactly the form above.
bool parse(const QByteArray& text, Manifest* manifest);

enum class Verdict { Accepted, BadSignature, Malformed, NotNewer };
// Checks the signature first, then the form, then that the release is newer than ownNumber.
Verdict verify(const QByteArray& text, const QByteArray& signature, const QByteArray& rawPublicKey, qint64 ownNumber,
               Manifest* manifest);

// Whether the file has the manifest's size and SHA-256; the file is read in pieces, never
// whole into memory. False with the reason in *error.
bool fileMatches(const QString& path, const Manifest& manifest, QString* error = nullptr);
} // namespace ReleaseManifest
