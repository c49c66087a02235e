#pragma once

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

// While alive, the calling thread obeys file permissions even when it runs as root: the capabilities that
// override them leave its effective set (they stay permitted, and come back at the end). Tests of what a
// user who cannot write a folder sees thereby run the same under root, as CI does.
class WithoutPermissionOverride final {
public:
    WithoutPermissionOverride()
    {
        m_saved = read();
        __user_cap_data_struct data[2] = { m_saved[0], m_saved[1] };
        for (const int capability : { CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER })
            data[capability / 32].effective &= ~(1u << (capability % 32));
        write(data);
    }
    ~WithoutPermissionOverride() { write(m_saved); }
    WithoutPermissionOverride(const WithoutPermissionOverride&) = delete;
    WithoutPermissionOverride& operator=(const WithoutPermissionOverride&) = delete;

private:
    struct Data {
        __user_cap_data_struct parts[2];
        __user_cap_data_struct& operator[](int i) { return parts[i]; }
        operator __user_cap_data_struct*() { return parts; }
    };

    static Data read()
    {
        __user_cap_header_struct header { _LINUX_CAPABILITY_VERSION_3, 0 };
        Data data {};
        ::syscall(SYS_capget, &header, data.parts);
        return data;
    }
    static void write(__user_cap_data_struct* data)
    {
        __user_cap_header_struct header { _LINUX_CAPABILITY_VERSION_3, 0 };
        ::syscall(SYS_capset, &header, data);
    }

    Data m_saved;
};
