#pragma once

#include <QtGlobal>

// The busy cursor for the length of a scope, restored on every way out of it.
class BusyCursor final
{
public:
    BusyCursor();
    ~BusyCursor();
    Q_DISABLE_COPY_MOVE(BusyCursor)
};
