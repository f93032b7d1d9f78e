#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// What every exchange with the station shares: one byte per character in both directions, the
// "$" … "%" packet marks, the packet sizes each page frames with, and the boot loader's XON.
namespace StationWire {

// The boot loader's "send the next line".
inline constexpr char Xon = 0x11;

inline constexpr char16_t PacketStart = u'$';
inline constexpr char16_t PacketStop = u'%';

// Framer sizes, marks included: a memory image line with CR LF, a CV report, a loco status.
inline constexpr int TurnoutPacketSize = 52;
inline constexpr int CvPacketSize = 10;
inline constexpr int LocoStatusPacketSize = 30;

// Each byte becomes the character with that code; nothing is lost for bytes 0x80-0xFF.
QString charsFromBytes(QByteArrayView bytes);
void appendChars(QString &text, QByteArrayView bytes);
// Each character goes out as the low eight bits of its code.
QByteArray bytesFromChars(QStringView text);

// "$" + content + "%", the form the station sends every packet in.
QString framePacket(QStringView content);

} // namespace StationWire
