#include "loco/linkpage.h"

#include "link/instructions.h"
#include "link/sharedstate.h"
#include "loco/captionoverglyphbutton.h"
#include "loco/locostatus.h"
#include "ui/clickablepanel.h"
#include "ui/colours.h"
#include "ui/namedcontrol.h"

#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <QSlider>
#include <QStyle>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace {

// The lamps' names were given one run for locos 2 to 4, so loco 3 owns PanF25 to PanF28.
QString functionLampName(int loco, int function)
{
    const int number = loco == 1 ? 10 + function : 21 + 4 * (loco - 2) + (function - 1);
    return u"PanF%1"_s.arg(number);
}

QString headlightLampName(int loco)
{
    return (loco <= 2 ? u"panH%1"_s : u"PanH%1"_s).arg(loco);
}

QPixmap locoPicture(bool facingLeft)
{
    QPixmap picture(72, 36);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    if (facingLeft) {
        p.translate(picture.width(), 0);
        p.scale(-1, 1);
    }
    p.setPen(Qt::black);
    p.setBrush(QColor(0x30, 0x50, 0x90));
    p.drawRect(4, 10, 44, 16);  // body
    p.drawRect(36, 2, 12, 8);   // cab
    p.drawRect(48, 14, 16, 12); // nose
    p.setBrush(QColor(0xFF, 0xE0, 0x60));
    p.drawEllipse(QPointF(64, 18), 3, 3); // headlight, at the front
    p.setBrush(Qt::black);
    for (int x : {12, 26, 40, 56})
        p.drawEllipse(QPointF(x, 29), 5, 5);
    return picture;
}

void paintLamp(QWidget *lamp, bool lit)
{
    Colours::setBackground(lamp, lit ? Colours::Magenta : Colours::MoneyGreen);
}

} // namespace

LinkPage::LinkPage(SharedState &state, InstructionSender send, QWidget *parent)
    : QWidget(parent), m_state(state), m_send(std::move(send))
{
    m_title = namedControl<QLabel>(u"stLinkTitle"_s, u"Link"_s, this);
    m_title->setAlignment(Qt::AlignCenter);
    QFont titleFont = m_title->font();
    titleFont.setPointSize(titleFont.pointSize() + 4);
    titleFont.setBold(true);
    m_title->setFont(titleFont);
    Colours::setBackground(m_title, Colours::MoneyGreen);

    auto *columns = new QHBoxLayout;
    for (int loco = 1; loco <= 4; ++loco)
        columns->addWidget(buildColumn(loco));

    auto *stop = namedControl<QPushButton>(u"bbEmergencyStop"_s, u"Emergency STOP"_s, this);
    stop->setMinimumHeight(40);
    connect(stop, &QPushButton::clicked, this, &LinkPage::bbEmergencyStopClick);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_title);
    layout->addLayout(columns);
    layout->addWidget(stop);
    m_keyboardLoco = namedControl<QLabel>(u"stKeyboardLoco"_s, this);
    layout->addWidget(m_keyboardLoco);
    layout->addStretch();
    addKeyboardControl();
}

void LinkPage::addKeyboardControl()
{
    const QString keys = u"Keyboard: 1-4 choose the loco, + and - speed, D direction, H headlight, "
                         "F1-F4 functions; Pause or Escape stops all locos from any page."_s;
    setToolTip(keys);
    m_title->setToolTip(keys);
    // Window-wide keys that act only while this page is shown: a hidden widget's shortcuts
    // do not fire.
    auto addKey = [this](const QKeySequence &key, auto action) {
        auto *shortcut = new QShortcut(key, this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, action);
    };
    for (int loco = 1; loco <= 4; ++loco)
        addKey(QKeySequence(Qt::Key_0 + loco), [this, loco] { chooseKeyboardLoco(loco); });
    addKey(QKeySequence(Qt::Key_Plus), [this] { changeSpeed(+1); });
    addKey(QKeySequence(Qt::Key_Equal), [this] { changeSpeed(+1); }); // "+" without shift
    addKey(QKeySequence(Qt::Key_Minus), [this] { changeSpeed(-1); });
    addKey(QKeySequence(Qt::Key_D), [this] { bbDirLocClick(m_chosenLoco); });
    addKey(QKeySequence(Qt::Key_H), [this] { panHClick(m_chosenLoco); });
    for (int f = 1; f <= 4; ++f)
        addKey(QKeySequence(Qt::Key_F1 + f - 1), [this, f] { PanFClick(m_chosenLoco, f); });
    chooseKeyboardLoco(1);
}

void LinkPage::chooseKeyboardLoco(int loco)
{
    m_chosenLoco = loco;
    m_keyboardLoco->setText(u"Keys drive loco %1"_s.arg(loco));
}

void LinkPage::changeSpeed(int step)
{
    // Moving the slider sends its speed instruction, exactly as a drag does.
    QSlider *slider = m_locos[m_chosenLoco - 1].speed;
    slider->setValue(slider->value() + step);
}

void LinkPage::bbDirLocClick(int loco)
{
    m_send(Instructions::direction(loco));
}

void LinkPage::panHClick(int loco)
{
    m_send(Instructions::headlight(loco));
}

void LinkPage::PanFClick(int loco, int function)
{
    m_send(Instructions::function(loco, function));
}

void LinkPage::bbEmergencyStopClick()
{
    m_send(Instructions::emergencyStop());
}

QWidget *LinkPage::buildColumn(int loco)
{
    LocoColumn &column = m_locos[loco - 1];
    auto *box = new QWidget(this);
    auto *grid = new QGridLayout(box);

    column.pictureRight = namedControl<QLabel>(u"iLoco%1R"_s.arg(loco), box);
    column.pictureRight->setPixmap(locoPicture(false));
    column.pictureRight->setVisible(false);
    column.pictureLeft = namedControl<QLabel>(u"iLoco%1L"_s.arg(loco), box);
    column.pictureLeft->setPixmap(locoPicture(true));
    column.pictureLeft->setVisible(false);
    grid->addWidget(column.pictureRight, 0, 0, 1, 2, Qt::AlignCenter);
    grid->addWidget(column.pictureLeft, 0, 0, 1, 2, Qt::AlignCenter);

    auto makeDirection = [&](const QString &name, QStyle::StandardPixmap arrow) {
        auto *button = namedControl<CaptionOverGlyphButton>(name, box);
        button->setText(u"Loco %1"_s.arg(loco));
        button->setIcon(style()->standardIcon(arrow));
        button->setMinimumWidth(80);
        // Both buttons toggle the same loco: the instruction carries no direction.
        connect(button, &QToolButton::clicked, this, [this, loco] { bbDirLocClick(loco); });
        grid->addWidget(button, 1, 0);
        return button;
    };
    column.directionRight = makeDirection(u"bbDirLoc%1"_s.arg(loco), QStyle::SP_ArrowRight);
    column.directionLeft = makeDirection(u"bbDirLoc%1_1"_s.arg(loco), QStyle::SP_ArrowLeft);
    column.directionLeft->setVisible(false);

    column.headlight = new ClickablePanel(headlightLampName(loco), box);
    column.headlight->setToolTip(u"Headlight"_s);
    paintLamp(column.headlight, false);
    connect(column.headlight, &ClickablePanel::clicked, this, [this, loco] { panHClick(loco); });
    grid->addWidget(column.headlight, 1, 1, Qt::AlignLeft);

    auto *functions = new QHBoxLayout;
    for (int f = 1; f <= 4; ++f) {
        auto *lamp = new ClickablePanel(functionLampName(loco, f), box);
        lamp->setToolTip(u"Function %1"_s.arg(f));
        paintLamp(lamp, false);
        connect(lamp, &ClickablePanel::clicked, this, [this, loco, f] { PanFClick(loco, f); });
        functions->addWidget(lamp);
        column.functions[f - 1] = lamp;
    }
    functions->addStretch();
    grid->addLayout(functions, 2, 0, 1, 2);

    column.speed = namedControl<QSlider>(u"tbSpeedLoco%1"_s.arg(loco), Qt::Horizontal, box);
    column.speed->setRange(0, 31);
    column.speed->setTickPosition(QSlider::TicksBelow);
    QSlider *slider = column.speed;
    connect(slider, &QSlider::valueChanged, this,
            [this, loco](int position) { m_send(Instructions::speed(loco, position)); });
    connect(slider, &QSlider::sliderMoved, this, [this, slider] { showSpeedTip(slider); });
    grid->addWidget(slider, 3, 0, 1, 2);
    return box;
}

void LinkPage::showSpeedTip(QSlider *slider)
{
    const QPoint below = slider->mapToGlobal(QPoint(slider->width() / 2, slider->height()));
    QToolTip::showText(below, QString::number(slider->value()), slider);
}

void LinkPage::showRightFacingLocos()
{
    for (const LocoColumn &column : m_locos)
        column.pictureRight->setVisible(true);
}

void LinkPage::setLinkOpen(bool open)
{
    if (!open)
        Colours::setBackground(m_title, Colours::SkyBlue);
}

void LinkPage::ComDataPacket1Packet3(const QString &packet)
{
    // Decoding first means a malformed packet changes nothing and never leaves the flag set.
    const std::optional<LocoStatus> status = decodeLocoStatus(packet);
    if (!status)
        return;
    m_state.StatusUpdating = true;
    struct ClearStatusUpdating
    {
        SharedState &state;
        ~ClearStatusUpdating() { state.StatusUpdating = false; }
    } guard{m_state};
    apply(*status);
}

void LinkPage::apply(const LocoStatus &status)
{
    Colours::setBackground(m_title, Colours::Yellow);
    for (int loco = 1; loco <= 4; ++loco)
        showDirection(loco, directionBit(status.directions, loco));
    for (int loco = 1; loco <= 4; ++loco) {
        const QString caption = locoCaption(status.addresses[loco - 1], status.speeds[loco - 1]);
        m_locos[loco - 1].directionRight->setText(caption);
        m_locos[loco - 1].directionLeft->setText(caption);
    }
    for (int loco = 1; loco <= 4; ++loco) {
        const LocoColumn &column = m_locos[loco - 1];
        const int lamps = status.lamps[loco - 1];
        paintLamp(column.headlight, headlightBit(lamps));
        for (int f = 1; f <= 4; ++f)
            paintLamp(column.functions[f - 1], functionBit(lamps, f));
    }
    // The new maxima first, so a speed above the old maximum is shown in full.
    SetSpeedSteps(status.speedSteps);
    for (int loco = 1; loco <= 4; ++loco)
        m_locos[loco - 1].speed->setValue(status.speeds[loco - 1]);
}

void LinkPage::SetSpeedSteps(int speedSteps)
{
    for (int loco = 1; loco <= 4; ++loco)
        m_locos[loco - 1].speed->setMaximum(speedSliderMaximum(speedSteps, loco));
}

void LinkPage::showDirection(int loco, bool left)
{
    const LocoColumn &column = m_locos[loco - 1];
    column.pictureRight->setVisible(!left);
    column.directionRight->setVisible(!left);
    column.pictureLeft->setVisible(left);
    column.directionLeft->setVisible(left);
}
