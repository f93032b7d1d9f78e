#include "station.h"

#include "cv/cvreport.h"
#include "cv/cvsequence.h"
#include "link/memoryimage.h"
#include "link/stationwire.h"
#include "packetsender.h"
#include "platform/korvanterror.h"
#include "turnouts/turnoutsignature.h"

using namespace Qt::Literals::StringLiterals;

Station::Station(const Options &options, PacketSender &sender, QObject *parent)
    : QObject(parent), m_sender(sender), m_locos(options.addresses, options.sliderMaxima),
      m_decoder(options.cvValues), m_turnoutTable(options.turnoutTable),
      m_sendTurnoutsAfterUpload(options.sendTurnoutsAfterUpload),
      m_cvReportForm(options.cvReportForm)
{
    if (m_turnoutTable.isEmpty())
        m_turnoutTable = MemoryImage::text(TurnoutSignature::SignatureDigits);
    m_input.onInstruction = [this](const QString &text) {
        takeInstruction(text);
    };
    m_input.onImageLine = [this](const QString &line) {
        takeImageLine(line);
    };
    // Nothing marks the end of an upload; a text shorter than 16 lines ends when the line
    // falls quiet.
    m_imageIdle.setSingleShot(true);
    m_imageIdle.setInterval(options.imageIdleMs);
    connect(&m_imageIdle, &QTimer::timeout, this, [this] {
        m_input.flush();
        if (!m_imageLines.isEmpty())
            finishImage();
    });
}

void Station::receive(const QByteArray &bytes)
{
    m_input.feed(StationWire::charsFromBytes(bytes));
    m_imageIdle.start();
}

void Station::sendStatus()
{
    m_sender.send(encodeLocoStatus(m_locos.status()));
    Q_EMIT statusSent();
}

void Station::sendTurnouts()
{
    const QStringList lines = MemoryImage::lines(m_turnoutTable).mid(0, MemoryImage::LineCount);
    for (const QString &line : lines)
        m_sender.send(line + u"\r\n"_s);
}

void Station::takeInstruction(const QString &text)
{
    const auto instruction = Instructions::parse(text);
    if (instruction && m_locos.apply(*instruction))
        sendStatus();
}

void Station::takeImageLine(const QString &line)
{
    m_imageLines.append(line);
    if (m_imageLines.size() == MemoryImage::LineCount)
        finishImage();
}

void Station::finishImage()
{
    m_imageIdle.stop();
    QString text;
    for (const QString &line : std::as_const(m_imageLines))
        text += line + u"\r\n"_s;
    m_imageLines.clear();
    if (TurnoutSignature::startsTurnoutTable(text)) {
        m_turnoutTable = text;
        Q_EMIT turnoutsStored();
        if (m_sendTurnoutsAfterUpload)
            sendTurnouts();
    } else {
        answerCvSequence(text);
    }
}

void Station::answerCvSequence(const QString &text)
{
    QList<int> cvs;
    try {
        cvs = CvSequence::cvsIn(text);
    } catch (const KorvantError &) {
        // A damaged sequence gets no answer, as from a decoder that was never asked.
        Q_EMIT cvSequenceAnswered(0);
        return;
    }
    for (const int cv : std::as_const(cvs))
        m_sender.send(encodeCvReport({cv, m_decoder.value(cv)}, m_cvReportForm));
    Q_EMIT cvSequenceAnswered(int(cvs.size()));
}
