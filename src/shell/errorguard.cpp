#include "shell/errorguard.h"

#include "platform/korvanterror.h"
#include "shell/messages.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcGuard, "korvant.guard", QtInfoMsg)

bool guarded(QWidget *parent, const std::function<void()> &handler)
{
    try {
        handler();
        return true;
    } catch (const KorvantError &e) {
        Messages::error(parent, e.message());
    } catch (const std::exception &e) {
        Messages::error(parent, QString::fromLocal8Bit(e.what()));
    } catch (...) {
        qCCritical(lcGuard) << "unknown failure in an event handler";
        Messages::error(parent, QStringLiteral("Unknown failure"));
    }
    return false;
}
