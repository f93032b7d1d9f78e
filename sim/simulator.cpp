#include "simulator.h"

#include "advertise.h"
#include "bootloader.h"
#include "console.h"
#include "link/stationwire.h"
#include "packetsender.h"
#include "platform/signalwatcher.h"
#include "pty.h"
#include "station.h"
#include "wirelink.h"

#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>
#include <cstdio>

using namespace Qt::Literals::StringLiterals;

namespace {

void complain(const QString &message)
{
    std::fprintf(stderr, "korvant-station-sim: %s\n", qPrintable(message));
}

} // namespace

Simulator::Simulator(const SimOptions &options, QObject *parent)
    : QObject(parent), m_options(options)
{}

Simulator::~Simulator() = default;

bool Simulator::start()
{
    m_signals = std::make_unique<SignalWatcher>();
    connect(m_signals.get(), &SignalWatcher::terminationRequested, qApp, &QCoreApplication::quit);
    m_pty = std::make_unique<PseudoTerminal>();
    QString error;
    if (!m_pty->open(&error)) {
        complain(error);
        return false;
    }
    m_advertisement = std::make_unique<Advertisement>(m_options.name, m_pty->slavePath());
    if (!m_advertisement->isValid()) {
        complain(m_advertisement->error());
        return false;
    }
    WireLink::Options line;
    line.line = LineModel{m_options.baud, m_options.frame};
    line.latencyNs = qint64(m_options.latencyMs) * 1000000;
    line.chunkSize = m_options.chunkSize;
    line.chunkGapMs = m_options.chunkGapMs;
    line.hangUpAfter = m_options.hangUpAfter;
    m_link = std::make_unique<WireLink>(*m_pty, line);
    connect(m_link.get(), &WireLink::hungUp, this, [] {
        Console::say(u"hung up"_s);
        QCoreApplication::quit();
    });
    m_sender = std::make_unique<PacketSender>(
        *m_link,
        PacketSender::Options{m_options.noiseBytes, m_options.malformedEvery, m_options.seed});
    if (m_options.bootLoader)
        startBootLoader();
    else
        startStation();
    connectConsole();
    // The first line is the path: whoever started us waits for it.
    Console::say(m_pty->slavePath());
    return true;
}

void Simulator::startStation()
{
    Station::Options options;
    options.addresses = m_options.addresses;
    options.sliderMaxima = m_options.sliderMaxima;
    options.cvValues = m_options.cvValues;
    options.sendTurnoutsAfterUpload = m_options.sendTurnoutsAfterUpload;
    options.cvReportForm =
        m_options.cvReportsWithLineEnd ? CvReportForm::WithLineEnd : CvReportForm::Short;
    if (!m_options.turnoutsFile.isEmpty()) {
        QFile file(m_options.turnoutsFile);
        if (file.open(QIODevice::ReadOnly))
            options.turnoutTable = StationWire::charsFromBytes(file.readAll());
        else
            complain(u"cannot read %1; starting with an empty table"_s.arg(m_options.turnoutsFile));
    }
    m_station = std::make_unique<Station>(options, *m_sender);
    connect(m_link.get(), &WireLink::bytesReceived, m_station.get(), &Station::receive);
    connect(m_station.get(), &Station::turnoutsStored, this,
            [] { Console::say(u"turnouts stored"_s); });
    connect(m_station.get(), &Station::cvSequenceAnswered, this,
            [](int reports) { Console::say(u"cv answered %1"_s.arg(reports)); });
}

void Simulator::startBootLoader()
{
    m_bootLoader = std::make_unique<BootLoader>(
        BootLoader::Options{m_options.specialRead, m_options.silentBootLoader,
                            m_options.strayBeforeXon, m_options.doubleXon, m_options.noiseForXon,
                            qint64(m_options.writeTimeMs) * 1000000,
                            qint64(m_options.turnaroundUs) * 1000, m_options.seed},
        [this](const QByteArray &bytes, qint64 notBeforeNs) { m_link->sendAt(bytes, notBeforeNs); },
        [] { Console::say(u"overrun"_s); });
    connect(m_link.get(), &WireLink::bytesReceived, this, [this](const QByteArray &bytes) {
        m_bootLoader->receive(bytes, m_link->lastReceivedNs());
    });
}

void Simulator::connectConsole()
{
    m_console = std::make_unique<Console>();
    connect(m_console.get(), &Console::quit, qApp, &QCoreApplication::quit);
    connect(m_console.get(), &Console::capture, this, &Simulator::writeCapture);
    connect(m_console.get(), &Console::sendTurnouts, this, [this] {
        if (m_station)
            m_station->sendTurnouts();
        Console::say(u"turnouts sent"_s);
    });
    connect(m_console.get(), &Console::awaitReceived, this, [this](qint64 bytes) {
        m_awaitedBytes = bytes;
        Console::say(u"awaiting %1"_s.arg(bytes));
        checkAwaited();
    });
    connect(m_link.get(), &WireLink::bytesReceived, this, &Simulator::checkAwaited);
    connect(m_console.get(), &Console::sendStatus, this, [this] {
        if (m_station)
            m_station->sendStatus();
        Console::say(u"status sent"_s);
    });
}

void Simulator::checkAwaited()
{
    if (m_awaitedBytes <= 0 || m_link->received().size() < m_awaitedBytes)
        return;
    Console::say(
        u"received %1 at %2"_s.arg(m_link->received().size()).arg(m_link->lastReceivedNs()));
    m_awaitedBytes = 0;
}

void Simulator::writeCapture()
{
    if (m_options.captureFile.isEmpty() || !m_link) {
        Console::say(u"captured 0 (no --capture file)"_s);
        return;
    }
    QSaveFile file(m_options.captureFile);
    if (!file.open(QIODevice::WriteOnly) || file.write(m_link->received()) < 0 || !file.commit()) {
        complain(u"cannot write the capture to %1"_s.arg(m_options.captureFile));
        return;
    }
    Console::say(u"captured %1"_s.arg(m_link->received().size()));
}
