#include "platform/atomicsave.h"

#include <QSaveFile>

namespace AtomicSave {

QString commit(QSaveFile &file)
{
    if (!file.flush() || file.error() != QFileDevice::NoError) {
        const QString error = file.errorString();
        file.cancelWriting();
        file.commit(); // discards the temporary file
        return error;
    }
    if (!file.commit())
        return file.errorString();
    return {};
}

QString write(const QString &path, QByteArrayView bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    if (file.write(bytes.data(), bytes.size()) != bytes.size()) {
        const QString error = file.errorString();
        file.cancelWriting();
        return error;
    }
    return commit(file);
}

} // namespace AtomicSave
