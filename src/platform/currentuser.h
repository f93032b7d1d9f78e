#pragma once

#include <QString>

// The user's numeric id as text on POSIX systems; elsewhere the login name. It keeps per-user
// folders in shared places like /tmp apart.
QString currentUserId();
