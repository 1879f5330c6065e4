// Replays the fuzz corpus (and any crash files given) through the fuzz entry point, so the
// ordinary test run covers every saved input without libFuzzer.
#include <QDir>
#include <QFile>
#include <QTextStream>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv)
{
    int count = 0;
    for (int i = 1; i < argc; ++i) {
        QStringList files;
        const QFileInfo info(QString::fromLocal8Bit(argv[i]));
        if (info.isDir()) {
            for (const QFileInfo& f : QDir(info.filePath()).entryInfoList(QDir::Files))
                files << f.filePath();
        } else {
            files << info.filePath();
        }
        for (const QString& path : files) {
            QFile f(path);
            if (!f.open(QIODevice::ReadOnly))
                return 1;
            const QByteArray data = f.readAll();
            LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(data.constData()), size_t(data.size()));
            ++count;
        }
    }
    QTextStream(stdout) << count << " passed, 0 failed\n";
    return count > 0 ? 0 : 1;
}
