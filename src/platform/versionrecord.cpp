#include "platform/versionrecord.h"

#include <QFile>

using namespace Qt::Literals::StringLiterals;

namespace VersionRecord {

namespace {

constexpr qsizetype recordSize = 512;

// Built at run time, so that this reader's own constant data never looks like a record.
QByteArray marker()
{
    return QByteArray("KORVANT") + QByteArray("-VERSION-RECORD\x01");
}

// The record's bytes inside a program file's contents, or an empty view.
QByteArrayView findRecord(QByteArrayView contents, qsizetype *offset = nullptr)
{
    const QByteArray mark = marker();
    const qsizetype at = contents.indexOf(mark);
    if (at < 0 || contents.size() - at < recordSize)
        return {};
    if (offset)
        *offset = at;
    return contents.sliced(at + mark.size(), recordSize - mark.size());
}

Values parse(QByteArrayView body)
{
    Values values;
    qsizetype pos = 0;
    auto next = [&]() -> QByteArrayView {
        const qsizetype end = body.indexOf('\0', pos);
        if (end < 0)
            return {};
        const QByteArrayView text = body.sliced(pos, end - pos);
        pos = end + 1;
        return text;
    };
    while (pos < body.size()) {
        const QByteArrayView key = next();
        if (key.isEmpty())
            break;
        values.append({QString::fromUtf8(key), QString::fromUtf8(next())});
    }
    return values;
}

QString trimmedValue(const QString &value)
{
    qsizetype begin = 0;
    qsizetype end = value.size();
    auto blank = [](QChar c) {
        return c.unicode() <= 0x20 || c.unicode() == 0x7F;
    };
    while (begin < end && blank(value.at(begin)))
        ++begin;
    while (end > begin && blank(value.at(end - 1)))
        --end;
    return value.sliced(begin, end - begin);
}

} // namespace

Values read(const QString &programFile)
{
    QFile file(programFile);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const qint64 size = file.size();
    if (size <= 0)
        return {};
    uchar *mapped = file.map(0, size);
    if (!mapped)
        return parse(findRecord(file.readAll()));
    const Values values =
        parse(findRecord(QByteArrayView(reinterpret_cast<const char *>(mapped), size)));
    file.unmap(mapped);
    return values;
}

QString GetPropertyValue(const QString &sAppName, const QString &sProp)
{
    for (const auto &[key, value] : read(sAppName)) {
        if (key == sProp)
            return trimmedValue(value);
    }
    return {};
}

bool stamp(const QString &programFile, const Values &values)
{
    QFile file(programFile);
    if (!file.open(QIODevice::ReadWrite))
        return false;
    const QByteArray contents = file.readAll();
    qsizetype offset = 0;
    if (findRecord(contents, &offset).isEmpty())
        return false;
    QByteArray record = marker();
    for (const auto &[key, value] : values)
        record += key.toUtf8() + '\0' + value.toUtf8() + '\0';
    record += '\0';
    if (record.size() > recordSize)
        return false;
    record.resize(recordSize, '\0');
    return file.seek(offset) && file.write(record) == recordSize;
}

} // namespace VersionRecord
