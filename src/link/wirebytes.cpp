#include "link/wirebytes.h"

namespace WireBytes {

QByteArray toBytes(QStringView text)
{
    QByteArray bytes(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i)
        bytes[i] = char(text[i].unicode() & 0xFF);
    return bytes;
}

QString fromBytes(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i)
        text[i] = QChar(char16_t(uchar(bytes[i])));
    return text;
}

} // namespace WireBytes
