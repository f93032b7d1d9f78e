#include "link/portstatusbar.h"

#include "link/comport.h"
#include "ui/namedcontrol.h"

#include <QLabel>

using namespace Qt::Literals::StringLiterals;
using namespace PortSettings;

PortStatusBar::PortStatusBar(QWidget *parent) : QStatusBar(parent)
{
    setObjectName(u"StatusBar1"_s);
    setSizeGripEnabled(false);
    const int widths[] = {50, 80, 70, 70, 150, 140};
    const QString captions[] = {u"Port:"_s,    u"Baud:"_s,         u"StopBit:"_s,
                                u"DataBit:"_s, u"Flow Control:"_s, u"Parity:"_s};
    for (int i = 0; i < 6; ++i) {
        auto *panel = namedControl<QLabel>(u"StatusBar1Panel%1"_s.arg(i), captions[i], this);
        panel->setAlignment(Qt::AlignCenter);
        panel->setFrameShape(QFrame::StyledPanel);
        panel->setFrameShadow(QFrame::Sunken);
        panel->setMinimumWidth(widths[i]);
        addPermanentWidget(panel);
        m_panels.append(panel);
    }
}

void PortStatusBar::FillStatusBar(const TComPort &port)
{
    const TComPort::LineSettings &s = port.settings();
    setPanelText(0, s.port);
    setPanelText(1, name(s.baudRate) + u" baud"_s);
    setPanelText(2, name(s.stopBits) + u" stop bit"_s);
    setPanelText(3, name(s.dataBits) + u" data bits"_s);
    setPanelText(5, u"Parity-"_s + name(s.parity));
    setPanelText(4, u"Flow control-"_s + name(port.flowControl()));
}

QString PortStatusBar::panelText(int panel) const
{
    return m_panels.value(panel) ? m_panels.at(panel)->text() : QString();
}

void PortStatusBar::setPanelText(int panel, const QString &text)
{
    if (QLabel *label = m_panels.value(panel))
        label->setText(text);
}
