#pragma once

#include <QRandomGenerator>
#include <QString>

class WireLink;

// Frames what the station sends as "$" + content + "%" and puts it on the line, with the
// faults asked for: noise before each packet, every n-th packet malformed.
class PacketSender final
{
public:
    struct Options
    {
        int noiseBytes = 0;
        int malformedEvery = 0;
        quint32 seed = 1;
    };

    PacketSender(WireLink &link, const Options &options);

    void send(const QString &content);

private:
    QByteArray noise();
    QString malformed(QString content) const;

    WireLink &m_link;
    Options m_options;
    QRandomGenerator m_random;
    int m_sent = 0;
};
