#include "data/PrivateFile.h"

#include <QFile>

namespace PrivateFile {
bool restrictToOwner(const QString& path)
{
    // QFile maps the owner bits onto the file's access list where there is no mode word.
    return QFile::setPermissions(path, OwnerOnly);
}
} // namespace PrivateFile
