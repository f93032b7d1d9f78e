#pragma once

#include "loco/locostatus.h"

#include <QObject>
#include <QString>
#include <QStringView>
#include <array>
#include <functional>
#include <optional>

// The station's four loco slots as remote throttles see them, and the one place their requests
// become instructions. What it knows comes only from the status packets the Link page gets, so
// a change made on the Link page or by another remote arrives like any other. What it sends
// are the Link page's own instructions, through the same sender (DoInstruction).
//
// Direction, headlight and functions are toggles at the station: a request names the state it
// wants, and a toggle is sent only when that differs from the reported state. A toggle sent is
// pending until the first status packet that shows the state it asked for (not merely the next
// packet, which the station may have sent before it read the toggle), or until ToggleWaitMs
// have passed (a station that ignored it, or a packet lost). While it is pending nothing more
// is sent for that toggle: the same request again is already on its way, and the opposite one
// is refused, since a second toggle racing the first could leave either state. A packet that
// gives the slot another address, and the link closing, end what is pending.
class RemoteThrottle final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RemoteThrottle)

public:
    using InstructionSender = std::function<void(const QString &)>;
    using Clock = std::function<qint64()>; // milliseconds, never going back

    static constexpr int SlotCount = LocoStatus::LocoCount;
    static constexpr int FunctionCount = 4;
    static constexpr qint64 ToggleWaitMs = 1000;

    // The state of a toggle as the status packet reports it: Reverse is the direction bit (set:
    // the Link page shows the left-facing loco), the others are lit lamps.
    enum class Toggle
    {
        Reverse,
        Headlight,
        F1,
        F2,
        F3,
        F4
    };
    static constexpr int ToggleCount = 6;
    static Toggle functionToggle(int function); // 1 to 4

    struct Slot
    {
        int address = 0;
        int speed = 0;         // as reported, even above the maximum
        int speedMaximum = 14; // the slider's range: 14, 31 or 128
        bool reverse = false;
        bool headlight = false;
        std::array<bool, FunctionCount> functions{};

        int speedStep() const; // the speed cut to the range, where the slider stands
        bool state(Toggle toggle) const;
        bool operator==(const Slot &) const = default;
    };

    explicit RemoteThrottle(InstructionSender send, QObject *parent = nullptr);

    void setClock(Clock clock);

    // Inputs from the window.
    void setLinkOpen(bool open);
    void setUploadRunning(bool running);
    // False while another page's routing is in force at the desk: the station's answers then
    // go to that page, so what is reported meanwhile is never seen here. Routed once more,
    // requests wait for a fresh status. True until the window says otherwise.
    void setReportsRouted(bool routed);
    // The packet text the Link page's handler gets. False for a packet of another length,
    // which is ignored; a malformed field throws the conversion error before anything changes.
    bool applyStatusPacket(QStringView packet);
    void applyStatus(const LocoStatus &status);

    // Empty while remote actions are taken, else why not.
    QString refusal() const;
    // A status packet has arrived since the link opened: until then a toggle cannot be judged.
    bool hasStatus() const { return m_fresh; }
    Slot slot(int slot) const;
    // The slot (1 to 4) that holds a DCC address, or 0. Address 0 is no loco.
    int slotOfAddress(int address) const;
    // The reported state, or the one a pending toggle asked for.
    bool expected(int slot, Toggle toggle) const;
    // The slot's speed on a scale of 0 to scaleMaximum (WiThrottle::SpeedMaximum for phones).
    int speedOnScale(int slot, int scaleMaximum) const;

    // Requests give the refusal, or an empty text when taken (sent, or already so). A failure
    // of the sender passes through, and then nothing is left pending.
    QString setToggle(int slot, Toggle toggle, bool state);
    // A speed step in the slot's own range (":S" as the slider sends it), clamped to 0..maximum.
    QString setSpeed(int slot, int step);
    // A speed on a scale of 0 to scaleMaximum, turned into the slot's steps by scaleSpeed.
    QString setSpeedOnScale(int slot, int value, int scaleMaximum);
    // ":E000": every loco stops. Needs no status and no routing, only the link: a stop is
    // never held back for the sake of a display.
    QString emergencyStop();

Q_SIGNALS:
    // A status packet changed what the slot reports.
    void slotChanged(int slot);
    // A status packet gave slots other addresses (or was the first): sent after slotChanged.
    void rosterChanged();
    void availabilityChanged(bool available, const QString &refusal);

private:
    struct Pending
    {
        bool state = false;
        qint64 sentAt = 0;
    };
    using SlotPending = std::array<std::optional<Pending>, ToggleCount>;

    QString linkRefusal() const;
    QString slotRefusal(int slot) const;
    void changeAvailability(const std::function<void()> &change);
    bool lapsed(const Pending &pending) const;
    void forgetPending();

    InstructionSender m_send;
    Clock m_clock;
    bool m_linkOpen = false;
    bool m_uploadRunning = false;
    bool m_reportsRouted = true;
    bool m_fresh = false;
    std::optional<LocoStatus> m_status;
    std::array<SlotPending, SlotCount> m_pending{};
};

// A speed from a scale of 0..fromMaximum to 0..toMaximum, rounded to the nearest step, half
// up. The value is clamped first; a speed above 0 never becomes a stop. Going up a scale and
// back gives the value again, so a speed echoed between the scales does not creep.
int scaleSpeed(int value, int fromMaximum, int toMaximum);
