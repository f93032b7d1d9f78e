#pragma once

#include <QString>

// The monitor's line for a packet: the packet as the framer cut it, and what the page it is
// routed to reads in it.
namespace PacketText {

enum class Page
{
    Link,   // loco status packets
    Cv,     // CV reports
    Turnout // memory image lines of the turnout table
};

// The framer's size for the page, marks included.
int packetSize(Page page);
// The packet's content without its own CR LF, other control characters written \xHH; then,
// where the page decodes its packets, a tab and what it reads in it.
QString describe(Page page, const QString &packet);

} // namespace PacketText
