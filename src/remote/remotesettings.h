#pragma once

// What the Configuration page's "Remote throttles" group sets. Stored under names of its own,
// beside the described values, which stay as they are. Off until the user turns it on.
struct RemoteSettings
{
    static constexpr int DefaultWiThrottlePort = 12090;

    bool wiThrottle = false;
    int wiThrottlePort = DefaultWiThrottlePort;

    bool operator==(const RemoteSettings &) const = default;
};
