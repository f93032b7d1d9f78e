#include "link/uploadjob.h"

#include "link/comport.h"
#include "link/stationwire.h"
#include "platform/korvanterror.h"

using namespace Qt::Literals::StringLiterals;

UploadJob::UploadJob(TComPort &port, QList<Unit> units, QObject *parent)
    : QObject(parent), m_port(port), m_units(std::move(units))
{}

UploadJob::~UploadJob()
{
    if (m_running) {
        m_port.abortTransfers();
        m_port.setHeld(false);
    }
    for (const QMetaObject::Connection &c : std::as_const(m_connections))
        disconnect(c);
}

QList<UploadJob::Unit> UploadJob::characters(QStringView text, Wait wait)
{
    const QByteArray bytes = StationWire::bytesFromChars(text);
    QList<Unit> units;
    units.reserve(bytes.size());
    for (char byte : bytes)
        units.append(Unit{QByteArray(1, byte), wait, false});
    return units;
}

QList<UploadJob::Unit> UploadJob::wholeText(QStringView text)
{
    if (text.isEmpty())
        return {};
    return {Unit{StationWire::bytesFromChars(text), Wait::Nothing, false}};
}

QList<UploadJob::Unit> UploadJob::xonPacedLines(const QStringList &lines)
{
    QList<Unit> units;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const bool last = i == lines.size() - 1;
        units.append(
            Unit{StationWire::bytesFromChars(lines.at(i)), last ? Wait::OneRead : Wait::Xon, true});
    }
    return units;
}

void UploadJob::start()
{
    m_running = true;
    m_cancelled = false;
    m_index = 0;
    m_port.setHeld(true);
    m_connections = {
        connect(&m_port, &TComPort::writeFinished, this,
                [this] { guardedStep([this] { onWriteFinished(); }); }),
        connect(&m_port, &TComPort::readFinished, this,
                [this](const QByteArray &bytes) { guardedStep([&] { onReadFinished(bytes); }); }),
        connect(&m_port, &TComPort::afterClose, this,
                [this] { finish(Outcome::Failed, u"The port was closed during the upload."_s); }),
    };
    // The first step runs from the event loop too, so a caller can finish its own set-up first.
    QMetaObject::invokeMethod(
        this, [this] { guardedStep([this] { writeUnit(); }); }, Qt::QueuedConnection);
}

void UploadJob::cancel()
{
    if (!m_running)
        return;
    m_cancelled = true;
    m_port.abortTransfers();
    finish(Outcome::Cancelled);
}

void UploadJob::guardedStep(const std::function<void()> &step)
{
    if (!m_running)
        return;
    if (const QString failure = failureOf(step); !failure.isEmpty())
        finish(Outcome::Failed, failure);
}

void UploadJob::writeUnit()
{
    if (m_index >= m_units.size()) {
        finish(Outcome::Finished);
        return;
    }
    const Unit &unit = m_units.at(m_index);
    if (unit.freshAnswer)
        m_port.clearBuffers(true, false);
    if (unit.bytes.isEmpty()) {
        onWriteFinished(); // an empty line sends nothing but is still answered
        return;
    }
    m_port.startWrite(unit.bytes);
}

void UploadJob::onWriteFinished()
{
    Q_EMIT unitWritten(m_index);
    if (!m_running)
        return;
    if (m_units.at(m_index).wait == Wait::Nothing)
        unitComplete();
    else
        m_port.startRead(1);
}

void UploadJob::onReadFinished(const QByteArray &bytes)
{
    const bool xon = bytes.size() == 1 && bytes.at(0) == StationWire::Xon;
    if (m_units.at(m_index).wait == Wait::Xon && !xon && !m_cancelled) {
        m_port.startRead(1); // anything else, or a read that timed out, keeps the wait going
        return;
    }
    unitComplete();
}

void UploadJob::unitComplete()
{
    Q_EMIT unitDone(m_index);
    if (!m_running)
        return;
    ++m_index;
    writeUnit();
}

void UploadJob::finish(Outcome outcome, const QString &error)
{
    if (!m_running)
        return;
    m_running = false;
    for (const QMetaObject::Connection &c : std::as_const(m_connections))
        disconnect(c);
    m_connections.clear();
    m_port.abortTransfers();
    m_port.setHeld(false);
    Q_EMIT finished(outcome, error);
}
