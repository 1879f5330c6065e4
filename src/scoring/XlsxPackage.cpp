#include "scoring/XlsxPackage.h"

#include "data/PrivateFile.h"

#include <zip.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace Scoring::XlsxPackage {

namespace {
// A generated part as libzip reads it. Threaded, the pieces are made on a thread of their own
// while libzip compresses the ones already made: the two halves of the work overlap.
class GeneratedPart {
public:
    GeneratedPart(Generate generate, std::function<bool()> failed, bool threaded)
        : m_generate(std::move(generate))
        , m_failed(std::move(failed))
        , m_threaded(threaded)
    {
        zip_error_init(&m_error);
    }
    ~GeneratedPart()
    {
        halt();
        zip_error_fini(&m_error);
    }

    static zip_int64_t callback(void* state, void* data, zip_uint64_t length, zip_source_cmd_t command)
    {
        auto* p = static_cast<GeneratedPart*>(state);
        switch (command) {
        case ZIP_SOURCE_OPEN: p->start(); return 0;
        case ZIP_SOURCE_CLOSE: return 0;
        case ZIP_SOURCE_READ: {
            const zip_int64_t n = p->read(static_cast<char*>(data), length);
            if (n < 0)
                zip_error_set(&p->m_error, ZIP_ER_READ, 0);
            return n;
        }
        case ZIP_SOURCE_STAT: {
            auto* st = static_cast<zip_stat_t*>(data);
            zip_stat_init(st); // the size is not known beforehand
            return sizeof(*st);
        }
        case ZIP_SOURCE_ERROR: return zip_error_to_data(&p->m_error, data, length);
        case ZIP_SOURCE_FREE: return 0;
        case ZIP_SOURCE_SUPPORTS:
            return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                                                  ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
        default: zip_error_set(&p->m_error, ZIP_ER_OPNOTSUPP, 0); return -1;
        }
    }

    // Stops the generating thread (when libzip gave up early) and waits for it.
    void halt()
    {
        if (!m_producer.joinable())
            return;
        {
            const std::lock_guard<std::mutex> l(m_lock);
            m_stop = true;
            m_changed.notify_all();
        }
        m_producer.join();
    }

private:
    static constexpr qsizetype Chunk = 512 * 1024;

    // The next piece on the calling thread; false once the part is complete.
    bool generate(QByteArray& out)
    {
        if (m_done)
            return false;
        m_done = !m_generate(out);
        return !m_done;
    }

    void start()
    {
        if (m_started)
            return; // opened once only
        m_started = true;
        if (!m_threaded)
            return;
        m_producer = std::thread([this] {
            bool more = true;
            while (more) {
                QByteArray chunk;
                {
                    // A buffer libzip has finished with: fresh memory would be paged in again.
                    const std::lock_guard<std::mutex> l(m_lock);
                    if (!m_spare.empty()) {
                        chunk = std::move(m_spare.back());
                        m_spare.pop_back();
                    }
                }
                chunk.truncate(0);
                chunk.reserve(Chunk + 64 * 1024);
                while (more && chunk.size() < Chunk)
                    more = generate(chunk);
                std::unique_lock<std::mutex> l(m_lock);
                m_changed.wait(l, [this] { return m_chunks.size() < 4 || m_stop; });
                if (m_stop)
                    break;
                if (!chunk.isEmpty())
                    m_chunks.push_back(std::move(chunk));
                m_changed.notify_all();
            }
            const std::lock_guard<std::mutex> l(m_lock);
            m_finished = true;
            m_changed.notify_all();
        });
    }

    // The next chunk for libzip; false at the end.
    bool nextChunk(QByteArray& out)
    {
        if (!m_threaded) {
            bool more = true;
            while (more && out.size() < Chunk)
                more = generate(out);
            return !out.isEmpty();
        }
        std::unique_lock<std::mutex> l(m_lock);
        if (out.capacity() > 0)
            m_spare.push_back(std::move(out));
        m_changed.wait(l, [this] { return !m_chunks.empty() || m_finished; });
        if (m_chunks.empty())
            return false;
        out = std::move(m_chunks.front());
        m_chunks.pop_front();
        m_changed.notify_all();
        return true;
    }

    // Fills `out` with up to `size` bytes of the part: 0 at its end, -1 when it failed.
    zip_int64_t read(char* out, zip_uint64_t size)
    {
        if (m_offset == m_current.size()) {
            m_current.truncate(0);
            m_offset = 0;
            if (!nextChunk(m_current))
                return m_failed() ? -1 : 0;
        }
        const qsizetype n = std::min<qsizetype>(qsizetype(size), m_current.size() - m_offset);
        std::memcpy(out, m_current.constData() + m_offset, size_t(n));
        m_offset += n;
        return n;
    }

    Generate m_generate;
    std::function<bool()> m_failed;
    const bool m_threaded;
    bool m_started = false, m_done = false;
    zip_error_t m_error;

    // The consuming side (libzip): the chunk being read.
    QByteArray m_current;
    qsizetype m_offset = 0;

    // The generating thread and the chunks it has made.
    std::thread m_producer;
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::deque<QByteArray> m_chunks, m_spare;
    bool m_finished = false, m_stop = false;
};

// A part made when libzip opens it.
struct LatePart {
    std::function<QByteArray()> make;
    QByteArray bytes;
    qsizetype offset = 0;
    zip_error_t error;

    explicit LatePart(std::function<QByteArray()> m)
        : make(std::move(m))
    {
        zip_error_init(&error);
    }
    ~LatePart() { zip_error_fini(&error); }

    static zip_int64_t callback(void* state, void* data, zip_uint64_t length, zip_source_cmd_t command)
    {
        auto* p = static_cast<LatePart*>(state);
        switch (command) {
        case ZIP_SOURCE_OPEN:
            p->bytes = p->make();
            p->offset = 0;
            return 0;
        case ZIP_SOURCE_READ: {
            const qsizetype n = std::min<qsizetype>(qsizetype(length), p->bytes.size() - p->offset);
            std::memcpy(data, p->bytes.constData() + p->offset, size_t(n));
            p->offset += n;
            return n;
        }
        case ZIP_SOURCE_CLOSE: p->bytes = QByteArray(); return 0;
        case ZIP_SOURCE_FREE: return 0;
        case ZIP_SOURCE_STAT: zip_stat_init(static_cast<zip_stat_t*>(data)); return sizeof(zip_stat_t);
        case ZIP_SOURCE_ERROR: return zip_error_to_data(&p->error, data, length);
        case ZIP_SOURCE_SUPPORTS:
            return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                                                  ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
        default: zip_error_set(&p->error, ZIP_ER_OPNOTSUPP, 0); return -1;
        }
    }
};

bool diskFull(int errorNumber)
{
#ifdef EDQUOT
    if (errorNumber == EDQUOT)
        return true;
#endif
    return errorNumber == ENOSPC;
}

QString failureDetail(int errorNumber, const QString& fallback)
{
    switch (errorNumber) {
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
    case EFBIG: return QStringLiteral("فضاي خالي ديسک کافي نيست");
    case EACCES:
    case EPERM:
    case EROFS:
    case ENOENT:
    case ENOTDIR: return QStringLiteral("در اين پوشه نمي توان فايل نوشت");
    default: return fallback;
    }
}
} // namespace

struct Archive::Impl {
    zip_source_t* memory = nullptr; // the archive's bytes, still read after it is closed
    zip_t* archive = nullptr;
    std::deque<QByteArray> kept; // the bytes of the parts added as they are
    std::vector<std::unique_ptr<GeneratedPart>> generated;
    std::vector<std::unique_ptr<LatePart>> late;

    ~Impl()
    {
        if (archive)
            zip_discard(archive);
        generated.clear(); // their threads stopped before the memory goes
        if (memory)
            zip_source_free(memory);
    }

    bool addSource(const char* name, zip_source_t* source, QString* error)
    {
        if (!source) {
            *error = QString::fromUtf8(zip_strerror(archive));
            return false;
        }
        const zip_int64_t index = zip_file_add(archive, name, source, ZIP_FL_ENC_UTF_8);
        if (index < 0) {
            zip_source_free(source);
            *error = QString::fromUtf8(zip_strerror(archive));
            return false;
        }
        // The fastest deflate level: the XML compresses tenfold even so.
        zip_set_file_compression(archive, zip_uint64_t(index), ZIP_CM_DEFLATE, 1);
        return true;
    }
};

Archive::Archive()
    : d(std::make_unique<Impl>())
{
}

Archive::~Archive() = default;

bool Archive::open(QString* error)
{
    zip_error_t zipError;
    zip_error_init(&zipError);
    d->memory = zip_source_buffer_create(nullptr, 0, 0, &zipError);
    d->archive = d->memory ? zip_open_from_source(d->memory, ZIP_TRUNCATE, &zipError) : nullptr;
    if (!d->archive) {
        *error = QString::fromUtf8(zip_error_strerror(&zipError));
        zip_error_fini(&zipError);
        return false;
    }
    zip_error_fini(&zipError);
    zip_source_keep(d->memory); // still read after the archive is closed
    return true;
}

bool Archive::add(const char* name, const QByteArray& bytes, QString* error)
{
    d->kept.push_back(bytes);
    const QByteArray& kept = d->kept.back();
    return d->addSource(name, zip_source_buffer(d->archive, kept.constData(), zip_uint64_t(kept.size()), 0), error);
}

bool Archive::addGenerated(const char* name, Generate generate, std::function<bool()> failed, bool threaded,
                           QString* error)
{
    d->generated.push_back(std::make_unique<GeneratedPart>(std::move(generate), std::move(failed), threaded));
    return d->addSource(name, zip_source_function(d->archive, GeneratedPart::callback, d->generated.back().get()),
                        error);
}

bool Archive::addLate(const char* name, std::function<QByteArray()> make, QString* error)
{
    d->late.push_back(std::make_unique<LatePart>(std::move(make)));
    return d->addSource(name, zip_source_function(d->archive, LatePart::callback, d->late.back().get()), error);
}

bool Archive::finish(QByteArray* bytes, QString* error)
{
    const bool closed = zip_close(d->archive) == 0;
    for (const auto& part : d->generated)
        part->halt();
    if (!closed) {
        *error = QString::fromUtf8(zip_strerror(d->archive));
        return false; // discarded with the archive
    }
    d->archive = nullptr;
    // The compressed archive, out of memory.
    zip_stat_t st;
    bytes->clear();
    if (zip_source_stat(d->memory, &st) == 0 && zip_source_open(d->memory) == 0) {
        bytes->resize(qsizetype(st.size));
        const zip_int64_t n = zip_source_read(d->memory, bytes->data(), st.size);
        zip_source_close(d->memory);
        if (n != zip_int64_t(st.size))
            bytes->clear();
    }
    if (bytes->isEmpty()) {
        *error = QString::fromUtf8(zip_error_strerror(zip_source_error(d->memory)));
        return false;
    }
    return true;
}

bool writeFile(const QString& path, const QByteArray& bytes, QString* detail)
{
    if (!PrivateFile::checkDestination(path, detail))
        return false;
    PrivateFile::Replacement file(path);
    QString why;
    errno = 0;
    if (!file.open()) { // a missing or read-only folder, most often
        *detail = failureDetail(diskFull(errno) ? errno : EACCES, QString());
        return false;
    }
    errno = 0;
    if (file.file()->write(bytes) != bytes.size() || !file.file()->flush() || !PrivateFile::syncFile(*file.file())) {
        const int e = errno;
        *detail = failureDetail(e, file.file()->errorString());
        return false;
    }
    errno = 0;
    if (!file.commit(&why, PrivateFile::OwnerOnly, true)) {
        const int e = errno;
        *detail = PrivateFile::checkDestination(path) ? failureDetail(e, why) : why;
        return false;
    }
    return true;
}

} // namespace Scoring::XlsxPackage
