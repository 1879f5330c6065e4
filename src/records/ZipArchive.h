#pragma once
// The zip archive under .xlsx and .ods workbooks (libzip), read from memory with every
// inflated entry capped.
#include <QByteArray>
#include <QString>

#include <zip.h>

#include "records/WorkbookInternal.h"

namespace Workbook {

class ZipArchive {
public:
    ~ZipArchive() { close(); }

    bool open(const QByteArray& data, QString* error)
    {
        close();
        zip_error_t err;
        zip_error_init(&err);
        zip_source_t* src = zip_source_buffer_create(data.constData(), zip_uint64_t(data.size()), 0, &err);
        if (!src) {
            zip_error_fini(&err);
            setError(error, Damaged);
            return false;
        }
        m_zip = zip_open_from_source(src, ZIP_RDONLY | ZIP_CHECKCONS, &err);
        if (!m_zip) {
            zip_source_free(src);
            setError(error, Damaged + ": " + QString::fromUtf8(zip_error_strerror(&err)));
            zip_error_fini(&err);
            return false;
        }
        zip_error_fini(&err);
        return true;
    }

    void close()
    {
        if (m_zip)
            zip_discard(m_zip);
        m_zip = nullptr;
    }

    bool has(const QString& name) const { return m_zip && locate(name) >= 0; }

    // Inflates one entry, refusing it once it grows past the cap, whatever its header claims.
    bool read(const QString& name, QByteArray* out, QString* error) const
    {
        out->clear();
        const zip_int64_t index = locate(name);
        if (index < 0) {
            setError(error, NotWorkbook + ": " + name + " is missing");
            return false;
        }
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(m_zip, zip_uint64_t(index), 0, &st) == 0 && (st.valid & ZIP_STAT_SIZE)
            && st.size > zip_uint64_t(WorkbookReader::MaxEntryBytes)) {
            setError(error, Damaged + ": " + name + " is too large");
            return false;
        }
        zip_file_t* f = zip_fopen_index(m_zip, zip_uint64_t(index), 0);
        if (!f) {
            setError(error, Damaged + ": " + name + " cannot be read");
            return false;
        }
        char buffer[64 * 1024];
        bool ok = true;
        for (;;) {
            const zip_int64_t n = zip_fread(f, buffer, sizeof buffer);
            if (n < 0) {
                setError(error, Damaged + ": " + name + " cannot be read");
                ok = false;
                break;
            }
            if (n == 0)
                break;
            if (out->size() + n > WorkbookReader::MaxEntryBytes) {
                setError(error, Damaged + ": " + name + " is too large");
                ok = false;
                break;
            }
            out->append(buffer, int(n));
        }
        zip_fclose(f);
        if (ok && carriesDoctype(*out)) {
            setError(error, Damaged + ": " + name + " declares a document type");
            ok = false;
        }
        if (!ok)
            out->clear();
        return ok;
    }

private:
    zip_int64_t locate(const QString& name) const
    {
        // Package part names are compared without regard to case.
        return zip_name_locate(m_zip, name.toUtf8().constData(), ZIP_FL_NOCASE);
    }

    zip_t* m_zip = nullptr;
};

} // namespace Workbook
