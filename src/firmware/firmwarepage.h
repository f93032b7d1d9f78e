#pragma once

#include <QWidget>

class QPlainTextEdit;
class QPushButton;

// The Firmware Upgrade page: the hex file memo `MHexFile`, the transfer log `Memo` and the
// upload button `sbTransmit`.
class FirmwarePage final : public QWidget
{
    Q_OBJECT

public:
    explicit FirmwarePage(QWidget *parent = nullptr);

    void setLinkOpen(bool open);
    // Disconnecting forgets the loaded hex text and the transfer log.
    void clearOnDisconnect();
    void toggleHexMemoWritable();

private:
    QPlainTextEdit *m_hexFile = nullptr;
    QPlainTextEdit *m_log = nullptr;
    QPushButton *m_transmit = nullptr;
};
