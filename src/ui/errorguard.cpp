#include "ui/errorguard.h"

#include "platform/korvanterror.h"
#include "ui/messages.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcGuard, "korvant.guard", QtInfoMsg)

bool guarded(QWidget *parent, const std::function<void()> &handler)
{
    const QString failure = failureOf(handler);
    if (failure.isEmpty())
        return true;
    qCDebug(lcGuard) << "handler failed:" << failure;
    Messages::error(parent, failure);
    return false;
}
