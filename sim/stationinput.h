#pragma once

#include <QString>
#include <QStringView>
#include <functional>

// Splits what the station receives into instructions (":" + letter + three characters) and
// memory image lines (":" + items separated by ",", ended by CR LF). The fourth character
// tells them apart: a "," there begins an image line, which no instruction has.
class StationInput final
{
public:
    std::function<void(const QString &instruction)> onInstruction;
    std::function<void(const QString &line)> onImageLine;

    void feed(QStringView chars);
    // A line still waiting for its CR LF is taken as it stands (the last line of a text that
    // does not end with one). True when there was one.
    bool flush();

private:
    enum class State
    {
        Idle,
        Head,
        ImageLine
    };

    void take(QChar c);
    void endImageLine();

    State m_state = State::Idle;
    QString m_token;
};
