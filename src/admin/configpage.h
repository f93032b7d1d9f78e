#pragma once

#include "link/configvalues.h"
#include "remote/remotesettings.h"

#include <QWidget>

class QCheckBox;
class QImage;
class QLabel;
class QSpinBox;
class RadioGroup;
class TComPort;

// The Configuration page: the port's time-outs and buffer sizes and the upload options.
// The five time-outs act on the port at once; the rest is read by whoever uses it.
class ConfigPage final : public QWidget
{
    Q_OBJECT

public:
    explicit ConfigPage(TComPort &port, QWidget *parent = nullptr);

    ConfigValues values() const;

    void bDefaultClick();
    // Buffer sizes, then the time-outs in the order the port takes them.
    void pushToPort();

    // The "Remote throttles" group, which "&Default" leaves as it is. Setting it from code
    // throws the switch as a click would.
    RemoteSettings remoteSettings() const;
    void setRemoteSettings(const RemoteSettings &settings);
    // Where phones reach each server; empty while it is off. The QR code holds the browser's
    // address with the access code; a null image shows none.
    void showBrowserAddress(const QString &text, const QImage &qrCode);
    void showWiThrottleAddress(const QString &text);

Q_SIGNALS:
    // The port's settings changed: the status bar must follow.
    void portSettingsChanged();
    void browserThrottleSwitched(bool on);
    void wiThrottleSwitched(bool on);

private:
    QSpinBox *addSpin(class QFormLayout *form, const QString &name, const QString &label, int value,
                      int minimum, int maximum);
    QCheckBox *addCheck(class QVBoxLayout *column, const QString &name, const QString &caption,
                        bool checked);
    void cbDirectUploadCommClick();
    class QGroupBox *buildRemoteGroup();
    QSpinBox *addPortSpin(const QString &name, int port);
    QLabel *buddyLabel(const QString &caption, QWidget *buddy);
    void browserThrottleToggled(bool on);
    QString accessCode() const;

    static constexpr int MaxAccessCodeLength = 64;

    TComPort &m_port;
    QSpinBox *m_readInterval = nullptr;
    QSpinBox *m_readTotalConstant = nullptr;
    QSpinBox *m_readTotalMultiplier = nullptr;
    QSpinBox *m_writeTotalConstant = nullptr;
    QSpinBox *m_writeTotalMultiplier = nullptr;
    QSpinBox *m_bufferIn = nullptr;
    QSpinBox *m_bufferOut = nullptr;
    RadioGroup *m_txProtocol = nullptr;
    RadioGroup *m_rxProtocol = nullptr;
    QCheckBox *m_onRxEvent = nullptr;
    QCheckBox *m_specialRead = nullptr;
    QCheckBox *m_showFeedback = nullptr;
    QCheckBox *m_showSelection = nullptr;
    QCheckBox *m_clearToSend = nullptr;
    QCheckBox *m_directUpload = nullptr;
    QCheckBox *m_directUploadComm = nullptr;
    QCheckBox *m_browserThrottle = nullptr;
    QSpinBox *m_browserPort = nullptr;
    class QLineEdit *m_accessCode = nullptr;
    QLabel *m_browserAddress = nullptr;
    QLabel *m_browserQrCode = nullptr;
    QCheckBox *m_wiThrottle = nullptr;
    QSpinBox *m_wiThrottlePort = nullptr;
    QLabel *m_wiThrottleAddress = nullptr;
};
