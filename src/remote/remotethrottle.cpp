#include "remote/remotethrottle.h"

#include "link/instructions.h"

#include <QElapsedTimer>
#include <algorithm>
#include <utility>

using namespace Qt::Literals::StringLiterals;

namespace {

using Toggle = RemoteThrottle::Toggle;

QString toggleInstruction(int slot, Toggle toggle)
{
    switch (toggle) {
    case Toggle::Reverse:
        return Instructions::direction(slot);
    case Toggle::Headlight:
        return Instructions::headlight(slot);
    default:
        return Instructions::function(slot,
                                      static_cast<int>(toggle) - static_cast<int>(Toggle::F1) + 1);
    }
}

RemoteThrottle::Slot slotOf(const LocoStatus &status, int slot)
{
    const int lamps = status.lamps[slot - 1];
    RemoteThrottle::Slot s;
    s.address = status.addresses[slot - 1];
    s.speed = status.speeds[slot - 1];
    s.speedMaximum = speedSliderMaximum(status.speedSteps, slot);
    s.reverse = directionBit(status.directions, slot);
    s.headlight = headlightBit(lamps);
    for (int f = 1; f <= RemoteThrottle::FunctionCount; ++f)
        s.functions[f - 1] = functionBit(lamps, f);
    return s;
}

} // namespace

RemoteThrottle::Toggle RemoteThrottle::functionToggle(int function)
{
    return static_cast<Toggle>(static_cast<int>(Toggle::F1) + function - 1);
}

int RemoteThrottle::Slot::speedStep() const
{
    return std::clamp(speed, 0, speedMaximum);
}

bool RemoteThrottle::Slot::state(Toggle toggle) const
{
    switch (toggle) {
    case Toggle::Reverse:
        return reverse;
    case Toggle::Headlight:
        return headlight;
    default:
        return functions[static_cast<int>(toggle) - static_cast<int>(Toggle::F1)];
    }
}

RemoteThrottle::RemoteThrottle(InstructionSender send, QObject *parent)
    : QObject(parent), m_send(std::move(send))
{
    QElapsedTimer timer;
    timer.start();
    m_clock = [timer] {
        return timer.elapsed();
    };
}

void RemoteThrottle::setClock(Clock clock)
{
    m_clock = std::move(clock);
}

void RemoteThrottle::setLinkOpen(bool open)
{
    if (open == m_linkOpen)
        return;
    // What the station reported before may have changed while no one was listening.
    changeAvailability([&] {
        m_linkOpen = open;
        m_fresh = false;
        forgetPending();
    });
}

void RemoteThrottle::setUploadRunning(bool running)
{
    changeAvailability([&] { m_uploadRunning = running; });
}

void RemoteThrottle::setReportsRouted(bool routed)
{
    if (routed == m_reportsRouted)
        return;
    changeAvailability([&] {
        m_reportsRouted = routed;
        if (!routed) {
            m_fresh = false;
            forgetPending();
        }
    });
}

bool RemoteThrottle::applyStatusPacket(QStringView packet)
{
    const std::optional<LocoStatus> status = decodeLocoStatus(packet);
    if (!status)
        return false;
    applyStatus(*status);
    return true;
}

void RemoteThrottle::applyStatus(const LocoStatus &status)
{
    const std::optional<LocoStatus> before = std::exchange(m_status, status);
    m_fresh = true;
    bool rosterMoved = !before;
    std::array<bool, SlotCount> changed{};
    for (int n = 1; n <= SlotCount; ++n) {
        const Slot now = slotOf(status, n);
        const Slot was = before ? slotOf(*before, n) : Slot{};
        SlotPending &pending = m_pending[n - 1];
        if (before && was.address != now.address) {
            rosterMoved = true;
            pending = {};
        }
        for (int t = 0; t < ToggleCount; ++t) {
            std::optional<Pending> &p = pending[t];
            if (p && (now.state(static_cast<Toggle>(t)) == p->state || lapsed(*p)))
                p.reset();
        }
        changed[n - 1] = !before || was != now;
    }
    // Signalled once the whole packet is in, so a receiver reads every slot as reported.
    for (int n = 1; n <= SlotCount; ++n) {
        if (changed[n - 1])
            Q_EMIT slotChanged(n);
    }
    if (rosterMoved)
        Q_EMIT rosterChanged();
}

QString RemoteThrottle::linkRefusal() const
{
    if (m_uploadRunning)
        return u"An upload is running."_s;
    if (!m_linkOpen)
        return u"The station is not connected."_s;
    return {};
}

QString RemoteThrottle::refusal() const
{
    if (const QString refused = linkRefusal(); !refused.isEmpty())
        return refused;
    if (!m_reportsRouted)
        return u"The Link page is not chosen at the desk, so the station's reports of its "
               "locos are not read."_s;
    return {};
}

RemoteThrottle::Slot RemoteThrottle::slot(int slot) const
{
    if (!m_status || slot < 1 || slot > SlotCount)
        return {};
    return slotOf(*m_status, slot);
}

int RemoteThrottle::slotOfAddress(int address) const
{
    if (!m_status || address <= 0)
        return 0;
    const auto &addresses = m_status->addresses;
    const auto found = std::find(addresses.begin(), addresses.end(), address);
    return found == addresses.end() ? 0 : int(found - addresses.begin()) + 1;
}

bool RemoteThrottle::expected(int slot, Toggle toggle) const
{
    if (slot >= 1 && slot <= SlotCount) {
        const std::optional<Pending> &pending = m_pending[slot - 1][static_cast<int>(toggle)];
        if (pending && !lapsed(*pending))
            return pending->state;
    }
    return this->slot(slot).state(toggle);
}

int RemoteThrottle::speedOnScale(int slot, int scaleMaximum) const
{
    const Slot s = this->slot(slot);
    return scaleSpeed(s.speedStep(), s.speedMaximum, scaleMaximum);
}

QString RemoteThrottle::setToggle(int slot, Toggle toggle, bool state)
{
    if (const QString refused = slotRefusal(slot); !refused.isEmpty())
        return refused;
    std::optional<Pending> &pending = m_pending[slot - 1][static_cast<int>(toggle)];
    if (pending && lapsed(*pending))
        pending.reset();
    if (pending) {
        if (state == pending->state)
            return {};
        return u"The last change of this is still on its way to the station."_s;
    }
    if (state == this->slot(slot).state(toggle))
        return {};
    m_send(toggleInstruction(slot, toggle));
    pending = Pending{state, m_clock()};
    return {};
}

QString RemoteThrottle::setSpeed(int slot, int step)
{
    if (const QString refused = slotRefusal(slot); !refused.isEmpty())
        return refused;
    m_send(Instructions::speed(slot, std::clamp(step, 0, this->slot(slot).speedMaximum)));
    return {};
}

QString RemoteThrottle::setSpeedOnScale(int slot, int value, int scaleMaximum)
{
    if (const QString refused = slotRefusal(slot); !refused.isEmpty())
        return refused;
    return setSpeed(slot, scaleSpeed(value, scaleMaximum, this->slot(slot).speedMaximum));
}

QString RemoteThrottle::emergencyStop()
{
    if (const QString refused = linkRefusal(); !refused.isEmpty())
        return refused;
    m_send(Instructions::emergencyStop());
    return {};
}

QString RemoteThrottle::slotRefusal(int slot) const
{
    if (const QString refused = refusal(); !refused.isEmpty())
        return refused;
    if (slot < 1 || slot > SlotCount)
        return u"There is no loco slot %1."_s.arg(slot);
    if (!m_fresh)
        return u"The station has not reported its locos yet."_s;
    return {};
}

void RemoteThrottle::changeAvailability(const std::function<void()> &change)
{
    const QString before = refusal();
    change();
    const QString after = refusal();
    if (after != before)
        Q_EMIT availabilityChanged(after.isEmpty(), after);
}

bool RemoteThrottle::lapsed(const Pending &pending) const
{
    return m_clock() - pending.sentAt >= ToggleWaitMs;
}

void RemoteThrottle::forgetPending()
{
    m_pending = {};
}

int scaleSpeed(int value, int fromMaximum, int toMaximum)
{
    if (fromMaximum <= 0 || toMaximum <= 0)
        return 0;
    const qint64 clamped = std::clamp(value, 0, fromMaximum);
    if (clamped == 0)
        return 0;
    const qint64 scaled = (2 * clamped * toMaximum + fromMaximum) / (2 * fromMaximum);
    return int(std::max<qint64>(1, scaled));
}
