#pragma once

#include <QImage>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// What a real QR code reader (zbarimg) reads off a picture, byte for byte; a text in brackets
// says why it read nothing.
inline QString readQrCode(const QImage &picture)
{
    using namespace Qt::Literals::StringLiterals;
    QTemporaryDir dir;
    const QString file = dir.filePath(u"code.png"_s);
    if (!picture.save(file))
        return u"(the picture could not be saved)"_s;
    QProcess reader;
    reader.start(u"zbarimg"_s, {u"--raw"_s, u"--quiet"_s, u"-Sdisable"_s, u"-Sqrcode.enable"_s,
                                u"-Sbinary"_s, file});
    if (!reader.waitForFinished(20000) || reader.exitCode() != 0)
        return u"(zbarimg read nothing: %1 %2)"_s.arg(
            reader.errorString(), QString::fromLocal8Bit(reader.readAllStandardError()));
    return QString::fromUtf8(reader.readAllStandardOutput());
}
