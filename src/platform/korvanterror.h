#pragma once

#include <QString>
#include <exception>
#include <functional>

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

// Runs action and gives the text of whatever it threw, or an empty text when it succeeded: for
// every place where no failure may cross the event loop (or leave a thread) and the failure is
// reported where it happened.
QString failureOf(const std::function<void()> &action);
