#include "platform/korvanterror.h"

const char *KorvantError::what() const noexcept
{
    if (m_utf8.isEmpty())
        m_utf8 = m_message.toUtf8();
    return m_utf8.constData();
}
