#pragma once

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

// While one lives, this thread is held to the files' permission bits as an ordinary user is,
// so a file without read permission cannot be read and a read-only folder cannot be written,
// whoever runs the test. Root passes permission bits only through two capabilities,
// CAP_DAC_OVERRIDE and CAP_DAC_READ_SEARCH; they leave the thread's effective set and come
// back at the end (they stay in the permitted set, so no privilege is lost). For a user who
// never had them there is nothing to take away, and the same case runs the same way.
// Capabilities belong to one thread: the program's code under test must run on this one.
class FilePermissionsHold final
{
public:
    FilePermissionsHold()
    {
        m_saved = current();
        if (!m_saved.valid)
            return;
        Caps held = m_saved;
        held.data[0].effective &= ~(bit(CAP_DAC_OVERRIDE) | bit(CAP_DAC_READ_SEARCH));
        m_changed = held.data[0].effective != m_saved.data[0].effective && apply(held);
    }
    ~FilePermissionsHold()
    {
        if (m_changed)
            apply(m_saved);
    }
    FilePermissionsHold(const FilePermissionsHold &) = delete;
    FilePermissionsHold &operator=(const FilePermissionsHold &) = delete;

    // Whether the thread now checks permission bits: true unless the capabilities could not
    // be read or dropped.
    bool holds() const
    {
        const Caps now = current();
        return now.valid &&
               (now.data[0].effective & (bit(CAP_DAC_OVERRIDE) | bit(CAP_DAC_READ_SEARCH))) == 0;
    }

private:
    struct Caps
    {
        bool valid = false;
        __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3]{};
    };

    static constexpr __u32 bit(int cap) { return __u32(1) << cap; } // both are below 32

    static Caps current()
    {
        Caps caps;
        __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
        caps.valid = ::syscall(SYS_capget, &header, caps.data) == 0;
        return caps;
    }

    static bool apply(Caps caps)
    {
        __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
        return ::syscall(SYS_capset, &header, caps.data) == 0;
    }

    Caps m_saved;
    bool m_changed = false;
};
