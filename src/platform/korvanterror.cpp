#include "platform/korvanterror.h"

const char *KorvantError::what() const noexcept
{
    if (m_utf8.isEmpty())
        m_utf8 = m_message.toUtf8();
    return m_utf8.constData();
}

QString failureOf(const std::function<void()> &action)
{
    const QString unknown = QStringLiteral("Unknown failure");
    try {
        action();
        return {};
    } catch (const KorvantError &e) {
        return e.message().isEmpty() ? unknown : e.message();
    } catch (const std::exception &e) {
        const QString text = QString::fromLocal8Bit(e.what());
        return text.isEmpty() ? unknown : text;
    } catch (...) {
        return unknown;
    }
}
