#pragma once

#include <QByteArrayView>
#include <QString>

class QSaveFile;

// Files the program writes are replaced whole or not at all. QSaveFile alone is not enough:
// its commit() takes a write that failed while being flushed from its buffer (a full disk) for
// success, and puts an empty or cut file in place of the user's.
namespace AtomicSave {

// Flushes, then commits; on any failure the file is discarded and the old one stays. Gives the
// failure's text, empty when the new file is in place.
QString commit(QSaveFile &file);

// The bytes as the whole new contents of path.
QString write(const QString &path, QByteArrayView bytes);

} // namespace AtomicSave
