#pragma once

#include <QString>
#include <functional>

class QUrl;

// The desktop's services the program hands work to: the user's browser or viewer for an
// address, and programs started on their own. Tests install stand-ins, as they install a
// message sink, and see what would have been opened or started.
namespace Desktop {

using Opener = std::function<bool(const QUrl &url)>;
// Starts program in workingDirectory without waiting for it; false when it could not start.
using Starter = std::function<bool(const QString &program, const QString &workingDirectory)>;

void setOpener(Opener opener);
void setStarter(Starter starter);

// The result of the platform is only a hint: the opened application reports its own failures.
bool openUrl(const QUrl &url);
bool startDetached(const QString &program, const QString &workingDirectory);

} // namespace Desktop
