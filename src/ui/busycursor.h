#pragma once

#include <QApplication>

// The busy cursor for as long as the guard lives, restored on every path out.
class BusyCursor final
{
public:
    explicit BusyCursor(Qt::CursorShape shape = Qt::WaitCursor)
    {
        QApplication::setOverrideCursor(QCursor(shape));
    }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    Q_DISABLE_COPY_MOVE(BusyCursor)
};
