#include "cv/cvprogrammingpage.h"

#include "shell/colours.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

CvProgrammingPage::CvProgrammingPage(QWidget *parent) : QWidget(parent)
{
    m_pages = new QTabWidget(this);
    m_pages->setObjectName(u"PageControl2"_s);
    const QString sheets[] = {u"TabCV1"_s, u"TabCV2"_s, u"TabCV3"_s};
    for (int i = 0; i < 3; ++i) {
        auto *sheet = new QWidget(m_pages);
        sheet->setObjectName(sheets[i]);
        m_pages->addTab(sheet, u"CV Programming Page %1"_s.arg(i + 1));
    }
    QWidget *first = m_pages->widget(0);
    m_memo = new QPlainTextEdit(first);
    m_memo->setObjectName(u"mMemoCV"_s);
    m_upload = new QPushButton(u"&Start Upload"_s, first);
    m_upload->setObjectName(u"sbUploadCV"_s);
    auto *firstLayout = new QVBoxLayout(first);
    firstLayout->addWidget(m_memo);
    firstLayout->addWidget(m_upload, 0, Qt::AlignLeft);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_pages);
    setLinkOpen(false);
}

void CvProgrammingPage::setLinkOpen(bool open)
{
    Colours::setBackground(m_memo, open ? Colours::Yellow : Colours::Silver);
    m_upload->setEnabled(open);
}

void CvProgrammingPage::ComDataPacket1Packet2(const QString &packet)
{
    // Reports mark the CV entries they name; the entries are built with the CV selection.
    Q_UNUSED(packet)
}
