#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

// Files the tests prepare and read back.
namespace TestFiles {

// Writes contents to path, making its folder; false if any of it could not be written.
inline bool write(const QString &path, const QByteArray &contents)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size() &&
           file.flush();
}

// Writes contents to folder/name: the file's path, or an empty text if it could not be written.
inline QString writeIn(const QString &folder, const QString &name, const QByteArray &contents)
{
    const QString path = QDir(folder).filePath(name);
    return write(path, contents) ? path : QString();
}

// The file's bytes; empty if it cannot be read.
inline QByteArray read(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace TestFiles
