#pragma once

#include <QString>
#include <exception>

// A failure inside an operation. Operations throw it; the one error guard of the window
// (shell/errorguard.h) catches it and shows its text, so no exception crosses Qt's event loop.
class KorvantError : public std::exception
{
public:
    explicit KorvantError(QString message) : m_message(std::move(message)) {}

    const QString &message() const noexcept { return m_message; }
    const char *what() const noexcept override;

private:
    QString m_message;
    mutable QByteArray m_utf8;
};
