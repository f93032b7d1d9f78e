#pragma once

#include <QWidget>

class QPlainTextEdit;
class QPushButton;
class QTabWidget;

// The CV Programming page with its own page control `PageControl2` of three sub-pages; the CV
// memo `mMemoCV` and the upload button `sbUploadCV` live on the first.
class CvProgrammingPage final : public QWidget
{
    Q_OBJECT

public:
    explicit CvProgrammingPage(QWidget *parent = nullptr);

    QTabWidget *pageControl() const { return m_pages; }
    void setLinkOpen(bool open);
    // A CV report from the station.
    void ComDataPacket1Packet2(const QString &packet);

private:
    QTabWidget *m_pages = nullptr;
    QPlainTextEdit *m_memo = nullptr;
    QPushButton *m_upload = nullptr;
};
