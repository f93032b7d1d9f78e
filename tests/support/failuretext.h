#pragma once

#include "platform/korvanterror.h"

#include <QString>
#include <functional>

// The text of the KorvantError an action throws; empty when it succeeds.
inline QString failureOf(const std::function<void()> &action)
{
    try {
        action();
    } catch (const KorvantError &e) {
        return e.message();
    }
    return {};
}
