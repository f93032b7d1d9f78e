#pragma once

#include <QWidget>

class QPlainTextEdit;
class TComPort;
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

    // The received-character event while this page is shown: n bytes wait in the port. In
    // receive-event mode they are read even during an upload (and dropped); otherwise an upload
    // leaves them for itself.
    void ComPort2RxChar(TComPort &port, int n, bool receiveEventMode);
    // A chunk starting with CR CR clears the log first; chunks are appended without separator.
    void showReceived(const QString &chunk);

private:
    QPlainTextEdit *m_hexFile = nullptr;
    QPlainTextEdit *m_log = nullptr;
    QPushButton *m_transmit = nullptr;
};
