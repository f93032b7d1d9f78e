#include "ui/qrcode.h"

#include <QPainter>
#include <memory>
#include <qrencode.h>

namespace QrCode {

namespace {

constexpr int QuietZone = 4;

struct FreeCode
{
    void operator()(QRcode *code) const { QRcode_free(code); }
};

} // namespace

QImage image(const QString &text, int scale)
{
    const QByteArray bytes = text.toUtf8();
    // Version 0: the smallest that holds it. Level M survives a smudged or glossy screen.
    const std::unique_ptr<QRcode, FreeCode> code(
        QRcode_encodeString8bit(bytes.constData(), 0, QR_ECLEVEL_M));
    if (!code || scale < 1)
        return {};
    const int modules = code->width;
    const int side = (modules + 2 * QuietZone) * scale;
    QImage picture(side, side, QImage::Format_RGB32);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    for (int y = 0; y < modules; ++y) {
        for (int x = 0; x < modules; ++x) {
            // Bit 0 of each module's byte is its colour; the other bits say what it is for.
            if (code->data[y * modules + x] & 1)
                painter.fillRect((x + QuietZone) * scale, (y + QuietZone) * scale, scale, scale,
                                 Qt::black);
        }
    }
    return picture;
}

} // namespace QrCode
