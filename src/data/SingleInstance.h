#pragma once
#include <QLockFile>
#include <QString>
#include <memory>

// The message shown when the program is already running on the folder.
inline constexpr char AlreadyRunningText[] = "برنامه در حال اجراست";

// One running program per program folder: a lock file in the folder, held while it runs.
class SingleInstance {
public:
    SingleInstance();
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;
    // False when another program holds the folder's lock. A folder where no lock can be
    // written (a read-only install) does not stop the program.
    bool acquire();

private:
    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
};
