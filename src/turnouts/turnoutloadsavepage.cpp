#include "turnouts/turnoutloadsavepage.h"

#include "shell/colours.h"
#include "shell/memotext.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

TurnoutLoadSavePage::TurnoutLoadSavePage(QWidget *parent) : QWidget(parent)
{
    m_memo = new QPlainTextEdit(this);
    m_memo->setObjectName(u"mMemoReceived"_s);
    m_memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_upload = new QPushButton(u"&Start Upload"_s, this);
    m_upload->setObjectName(u"sbUpload"_s);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_memo);
    layout->addWidget(m_upload, 0, Qt::AlignLeft);
    setLinkOpen(false);
}

void TurnoutLoadSavePage::setLinkOpen(bool open)
{
    Colours::setBackground(m_memo, open ? Colours::Yellow : Colours::Silver);
    m_upload->setEnabled(open);
}

void TurnoutLoadSavePage::ComDataPacket1packet(const QString &packet)
{
    MemoText::append(m_memo, packet);
}
