#pragma once

#include <QList>
#include <QString>

// The user's numeric id as text on POSIX systems; elsewhere the login name. It keeps per-user
// folders in shared places like /tmp apart.
QString currentUserId();

// Who this process runs as, as the system's permission checks see it.
struct UserIdentity
{
    QString name;
    quint32 uid = 0;
    QList<quint32> groupIds; // the process's groups, its primary group among them
};

// This process's user: its login name, user id and the groups its login has (a group joined
// after logging in is not among them).
UserIdentity currentUser();
