#include "link/lamppanel.h"

#include "ui/colours.h"
#include "ui/namedcontrol.h"

#include <QGridLayout>
#include <QLabel>

using namespace Qt::Literals::StringLiterals;

namespace {
constexpr quint32 lampOff = 0x000040; // a dark red: the lamp's glass without light
}

LampPanel::LampPanel(TComPort &port, QWidget *parent) : QFrame(parent)
{
    setObjectName(u"panStatus"_s);
    setFrameShape(QFrame::StyledPanel);
    auto *grid = new QGridLayout(this);
    const QString captions[] = {u"On Line"_s, u"Tx"_s, u"Rx"_s};
    for (int i = 0; i < 3; ++i) {
        auto *lamp = namedControl<QLabel>(u"ComLed%1"_s.arg(i + 1), this);
        lamp->setFixedSize(16, 16);
        lamp->setFrameShape(QFrame::Box);
        grid->addWidget(lamp, 0, i, Qt::AlignHCenter);
        auto *caption = new QLabel(captions[i], this);
        caption->setAlignment(Qt::AlignCenter);
        grid->addWidget(caption, 1, i);
        m_lamps[i] = lamp;
        show(static_cast<TComPort::Lamp>(i), port.lampLit(static_cast<TComPort::Lamp>(i)));
    }
    connect(&port, &TComPort::lampChanged, this, &LampPanel::show);
}

void LampPanel::show(TComPort::Lamp lamp, bool lit)
{
    QLabel *label = m_lamps[static_cast<int>(lamp)];
    Colours::setBackground(label, lit ? Colours::Red : lampOff);
    label->setProperty("lit", lit);
}
