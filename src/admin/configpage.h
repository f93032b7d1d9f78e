#pragma once

#include "link/configvalues.h"

#include <QWidget>

class QCheckBox;
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

Q_SIGNALS:
    // The port's settings changed: the status bar must follow.
    void portSettingsChanged();

private:
    QSpinBox *addSpin(class QFormLayout *form, const QString &name, const QString &label, int value,
                      int minimum, int maximum);
    QCheckBox *addCheck(class QVBoxLayout *column, const QString &name, const QString &caption,
                        bool checked);
    void cbDirectUploadCommClick();

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
};
