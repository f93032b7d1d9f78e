#pragma once

#include "simoptions.h"

#include <QObject>
#include <memory>

class Advertisement;
class BootLoader;
class Console;
class PacketSender;
class PseudoTerminal;
class SignalWatcher;
class Station;
class WireLink;

// Wires the parts of the simulator together: the line, the station or the boot loader, the
// console and the capture.
class Simulator final : public QObject
{
    Q_OBJECT

public:
    explicit Simulator(const SimOptions &options, QObject *parent = nullptr);
    ~Simulator() override;

    // Opens and advertises the line; false (with the reason on standard error) when it cannot.
    bool start();
    void writeCapture();

private:
    void startStation();
    void startBootLoader();
    void connectConsole();
    void checkAwaited();

    SimOptions m_options;
    std::unique_ptr<PseudoTerminal> m_pty;
    std::unique_ptr<Advertisement> m_advertisement;
    std::unique_ptr<WireLink> m_link;
    std::unique_ptr<PacketSender> m_sender;
    std::unique_ptr<Station> m_station;
    std::unique_ptr<BootLoader> m_bootLoader;
    std::unique_ptr<Console> m_console;
    std::unique_ptr<SignalWatcher> m_signals;
    qint64 m_awaitedBytes = 0;
};
