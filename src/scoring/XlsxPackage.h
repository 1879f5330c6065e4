#pragma once
#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>

// A workbook's zip archive, built in memory with libzip, and its one way onto the disk.
namespace Scoring::XlsxPackage {

// Appends the next piece of a part to out; false once the part is complete (or failed).
using Generate = std::function<bool(QByteArray& out)>;

class Archive {
public:
    Archive();
    ~Archive();
    Archive(const Archive&) = delete;
    Archive& operator=(const Archive&) = delete;

    bool open(QString* error);
    // A part whose bytes are known.
    bool add(const char* name, const QByteArray& bytes, QString* error);
    // A part generated while it is compressed, so it never sits in memory whole. With
    // `threaded`, generate runs on a thread of its own, a few pieces ahead of the compression;
    // failed() tells a finished part from one that stopped (the archive then fails).
    bool addGenerated(const char* name, Generate generate, std::function<bool()> failed, bool threaded, QString* error);
    // A part made when the compression reaches it, after the parts added before it (what a
    // generated part leaves to know: its row count, its strings).
    bool addLate(const char* name, std::function<QByteArray()> make, QString* error);
    // Compresses every part; the archive's bytes. False with libzip's reason (a generated
    // part that failed fails it too; its reason is the generator's to tell).
    bool finish(QByteArray* bytes, QString* error);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

// Writes the bytes as `path` through PrivateFile::Replacement: under a temporary name beside
// it, owner-readable only, flushed and renamed over it when complete (a link, a device or a
// folder refused). False with the detail the windows show: a full disk or a folder that
// cannot be written named as such.
bool writeFile(const QString& path, const QByteArray& bytes, QString* detail);

} // namespace Scoring::XlsxPackage
