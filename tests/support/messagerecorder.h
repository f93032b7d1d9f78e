#pragma once

#include "ui/messages.h"

#include <QList>

// Records the program's message boxes instead of showing them; questions get a set answer.
class MessageRecorder final
{
public:
    MessageRecorder()
    {
        Messages::setSink([this](const Messages::Box &box) {
            boxes.append(box);
            return answer;
        });
    }
    ~MessageRecorder() { Messages::setSink({}); }
    Q_DISABLE_COPY_MOVE(MessageRecorder)

    QStringList texts() const
    {
        QStringList all;
        for (const Messages::Box &box : boxes)
            all.append(box.text);
        return all;
    }

    QList<Messages::Box> boxes;
    bool answer = true;
};
