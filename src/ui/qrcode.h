#pragma once

#include <QImage>
#include <QString>

namespace QrCode {

// The text (as UTF-8) as a QR code: dark modules on white, with the quiet zone of four modules
// that readers need, each module `scale` pixels square. A null image when it does not fit in
// a QR code.
QImage image(const QString &text, int scale = 4);

} // namespace QrCode
