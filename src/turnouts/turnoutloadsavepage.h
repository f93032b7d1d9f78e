#pragma once

#include <QWidget>

class QPlainTextEdit;
class QPushButton;

// The Turnout Load/Save page: the turnout memo `mMemoReceived` and its upload button `sbUpload`.
class TurnoutLoadSavePage final : public QWidget
{
    Q_OBJECT

public:
    explicit TurnoutLoadSavePage(QWidget *parent = nullptr);

    void setLinkOpen(bool open);
    // A turnout packet from the station: appended to the memo as it stands.
    void ComDataPacket1packet(const QString &packet);

private:
    QPlainTextEdit *m_memo = nullptr;
    QPushButton *m_upload = nullptr;
};
