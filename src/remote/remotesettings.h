#pragma once

#include <QString>

// What the Configuration page's "Remote throttles" group sets. Stored under names of its own,
// beside the described values, which stay as they are. Off until the user turns it on.
struct RemoteSettings
{
    static constexpr int DefaultBrowserPort = 12080;
    static constexpr int DefaultWiThrottlePort = 12090;

    bool browserThrottle = false;
    int browserPort = DefaultBrowserPort;
    // What a browser must give once before it may drive; never empty while the throttle is on.
    QString accessCode;
    bool wiThrottle = false;
    int wiThrottlePort = DefaultWiThrottlePort;

    bool operator==(const RemoteSettings &) const = default;
};
