#pragma once

#include "link/comport.h"

#include <QFrame>

class QLabel;

// `panStatus`: the port's three lamps "On Line", "Tx" and "Rx", red when lit.
class LampPanel final : public QFrame
{
    Q_OBJECT

public:
    explicit LampPanel(TComPort &port, QWidget *parent = nullptr);

private:
    void show(TComPort::Lamp lamp, bool lit);

    QLabel *m_lamps[3] = {};
};
