#pragma once
#include <QString>

// The last step of every write that replaces a file: a finished temporary file beside the
// target takes the target's name in one step, so a reader sees the old file or the new one,
// never a part. POSIX rename() does this; on Windows rename() refuses an existing target and
// MoveFileExW replaces it (and writes the move through to the disk before it returns).
namespace FileReplace {
// Moves from onto to, replacing to. False with a description in *error when it could not.
bool replace(const QString& from, const QString& to, QString* error = nullptr);
} // namespace FileReplace
