#pragma once

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QtEndian>
#include <zip.h>

// Zip archives made in tests, hostile ones too: every name, type and permission is written as
// given. Link the test with libzip (PkgConfig::LIBZIP).
struct ZipEntry
{
    QByteArray name;
    QByteArray data;
    quint32 mode = 0100644; // Unix type and permissions, stored in the external attributes
};

inline ZipEntry zipFile(const QByteArray &name, const QByteArray &data, quint32 mode = 0100644)
{
    return {name, data, mode};
}

inline ZipEntry zipFolder(const QByteArray &name)
{
    return {name, {}, 0040755};
}

// Writes the archive; false when libzip refused.
inline bool writeZip(const QString &path, const QList<ZipEntry> &entries)
{
    QFile::remove(path);
    int error = 0;
    zip_t *archive = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_EXCL, &error);
    if (!archive)
        return false;
    for (const ZipEntry &entry : entries) {
        zip_int64_t index = -1;
        if ((entry.mode & 0170000) == 0040000 && entry.data.isEmpty()) {
            index = zip_dir_add(archive, entry.name.constData(), ZIP_FL_ENC_RAW);
        } else {
            // The data live in entries until zip_close has written them.
            zip_source_t *source = zip_source_buffer(archive, entry.data.constData(),
                                                     zip_uint64_t(entry.data.size()), 0);
            index =
                source ? zip_file_add(archive, entry.name.constData(), source, ZIP_FL_ENC_RAW) : -1;
            if (index < 0 && source)
                zip_source_free(source);
        }
        if (index < 0 || zip_file_set_external_attributes(archive, zip_uint64_t(index), 0,
                                                          ZIP_OPSYS_UNIX, entry.mode << 16) != 0) {
            zip_discard(archive);
            return false;
        }
    }
    if (zip_close(archive) != 0) {
        zip_discard(archive);
        return false;
    }
    return true;
}

// Makes an entry lie about its uncompressed size, in its local header and in the central
// directory alike, so that the archive still looks consistent.
inline bool patchDeclaredSize(const QString &path, const QByteArray &name, quint32 size)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return false;
    QByteArray bytes = file.readAll();
    const auto u16 = [&bytes](qsizetype at) {
        return qFromLittleEndian<quint16>(bytes.constData() + at);
    };
    int patched = 0;
    const auto patch = [&](const char *signature, qsizetype nameLengthAt, qsizetype nameAt,
                           qsizetype sizeAt) {
        for (qsizetype at = 0; (at = bytes.indexOf(signature, at)) >= 0; at += 4) {
            if (at + nameAt > bytes.size())
                break;
            if (bytes.mid(at + nameAt, u16(at + nameLengthAt)) == name) {
                qToLittleEndian<quint32>(size, bytes.data() + at + sizeAt);
                ++patched;
            }
        }
    };
    patch("PK\x03\x04", 26, 30, 22); // local file header
    patch("PK\x01\x02", 28, 46, 24); // central directory header
    file.seek(0);
    return patched == 2 && file.write(bytes) == bytes.size();
}
