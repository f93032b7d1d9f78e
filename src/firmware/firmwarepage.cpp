#include "firmware/firmwarepage.h"

#include "link/comport.h"
#include "link/stationwire.h"
#include "shell/colours.h"
#include "shell/memotext.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

FirmwarePage::FirmwarePage(QWidget *parent) : QWidget(parent)
{
    m_hexFile = new QPlainTextEdit(this);
    m_hexFile->setObjectName(u"MHexFile"_s);
    m_hexFile->setReadOnly(true);
    m_hexFile->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_log = new QPlainTextEdit(this);
    m_log->setObjectName(u"Memo"_s);
    m_log->setReadOnly(true);
    m_transmit = new QPushButton(u"&Start Upload"_s, this);
    m_transmit->setObjectName(u"sbTransmit"_s);

    auto *memos = new QHBoxLayout;
    memos->addWidget(m_hexFile, 3);
    memos->addWidget(m_log, 2);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(memos);
    layout->addWidget(m_transmit, 0, Qt::AlignLeft);
    setLinkOpen(false);
    Colours::setBackground(m_hexFile, Colours::White);
}

void FirmwarePage::setLinkOpen(bool open)
{
    Colours::setBackground(m_log, open ? Colours::Yellow : Colours::Silver);
    Colours::setBackground(m_hexFile, open ? Colours::Yellow : Colours::White);
    m_transmit->setEnabled(open);
}

void FirmwarePage::clearOnDisconnect()
{
    m_hexFile->clear();
    m_log->clear();
}

void FirmwarePage::toggleHexMemoWritable()
{
    m_hexFile->setReadOnly(!m_hexFile->isReadOnly());
}

void FirmwarePage::ComPort2RxChar(TComPort &port, int n, bool receiveEventMode)
{
    const bool uploadIdle = m_transmit->isEnabled();
    if (!receiveEventMode && !uploadIdle)
        return;
    const QString chunk = StationWire::charsFromBytes(port.read(n));
    if (uploadIdle)
        showReceived(chunk);
}

void FirmwarePage::showReceived(const QString &chunk)
{
    if (chunk.startsWith(u"\r\r"_s))
        m_log->clear();
    MemoText::append(m_log, chunk);
}
