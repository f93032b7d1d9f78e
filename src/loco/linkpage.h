#pragma once

#include <QWidget>
#include <array>
#include <functional>

class ClickablePanel;
class QLabel;
class QSlider;
class QToolButton;
struct LocoStatus;
struct SharedState;

// The Link page: a remote panel for the station's four loco slots. Every user action sends one
// instruction; what the page shows is set only by the station's status packets.
class LinkPage final : public QWidget
{
    Q_OBJECT

public:
    using InstructionSender = std::function<void(const QString &)>;

    LinkPage(SharedState &state, InstructionSender send, QWidget *parent = nullptr);

    void showRightFacingLocos();
    void setLinkOpen(bool open);

    // The status packet handler: applies a 28-character status to every control. A packet of
    // another length is ignored; a malformed field throws before anything changes.
    void ComDataPacket1Packet3(const QString &packet);

    // The controls' operations; the keyboard runs the same ones.
    void bbDirLocClick(int loco);
    void panHClick(int loco);
    void PanFClick(int loco, int function);
    void bbEmergencyStopClick();
    void changeSpeed(int step);
    void chooseKeyboardLoco(int loco);
    int keyboardLoco() const { return m_chosenLoco; }

private:
    struct LocoColumn
    {
        QLabel *pictureRight = nullptr;
        QLabel *pictureLeft = nullptr;
        QToolButton *directionRight = nullptr;
        QToolButton *directionLeft = nullptr;
        ClickablePanel *headlight = nullptr;
        std::array<ClickablePanel *, 4> functions{};
        QSlider *speed = nullptr;
    };

    QWidget *buildColumn(int loco);
    void addKeyboardControl();
    void apply(const LocoStatus &status);
    void SetSpeedSteps(int speedSteps);
    void showDirection(int loco, bool left);
    void showSpeedTip(QSlider *slider);

    SharedState &m_state;
    InstructionSender m_send;
    QLabel *m_title = nullptr;
    QLabel *m_keyboardLoco = nullptr;
    int m_chosenLoco = 1;
    std::array<LocoColumn, 4> m_locos;
};
