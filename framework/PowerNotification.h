#pragma once
// A window's registration for the changes of one power setting, ended with its owner.
#include <windows.h>

#include <versionhelpers.h>

namespace framework {

class CPowerSettingNotification {
public:
    CPowerSettingNotification() = default;
    CPowerSettingNotification(const CPowerSettingNotification&) = delete;
    CPowerSettingNotification& operator=(const CPowerSettingNotification&) = delete;
    ~CPowerSettingNotification() { Unregister(); }

    // The setting's changes reach recipient as WM_POWERBROADCAST(PBT_POWERSETTINGCHANGE); the
    // system sends the current value once at once. False when the system refuses the setting.
    bool Register(HWND recipient, const GUID& setting)
    {
        Unregister();
        // Counted as ours from the call on, should the current value come before it returns.
        m_setting = setting;
        m_registered = true;
        m_handle = ::RegisterPowerSettingNotification(recipient, &setting, DEVICE_NOTIFY_WINDOW_HANDLE);
        m_registered = m_handle != nullptr;
        return m_registered;
    }

    void Unregister()
    {
        if (m_handle)
            ::UnregisterPowerSettingNotification(m_handle);
        m_handle = nullptr;
        m_registered = false;
    }

    // Whether a change of this setting is one that the registration asked for.
    bool IsFor(const GUID& setting) const { return m_registered && ::IsEqualGUID(setting, m_setting); }

private:
    HPOWERNOTIFY m_handle = nullptr;
    GUID m_setting{};
    bool m_registered = false;
};

// The power setting that tells whether anyone can see the display of this program's own session;
// 0 means off. Windows 8 and later tell each session of its own display, a remote session's
// included, while the console's display, usually off meanwhile, may belong to nobody watching:
// GUID_SESSION_DISPLAY_STATUS (0 off, 1 on, 2 dimmed). Before, there is only the monitor's power,
// GUID_MONITOR_POWER_ON (0 off, 1 on). Picked by the system's version, not by which registration
// the system accepts: an accepted registration does not promise that the setting is ever sent.
// (Windows 8.1 and later answer at least 6.2, Windows 8, to every program.) winnt.h only declares
// both, and not every toolchain links a library that defines them.
inline const GUID& DisplayStateSetting()
{
    static constexpr GUID kSessionDisplayStatus{0x2b84c20e, 0xad23, 0x4ddf,
                                                {0x93, 0xdb, 0x05, 0xff, 0xbd, 0x7e, 0xfc, 0xa5}};
    static constexpr GUID kMonitorPowerOn{0x02731015, 0x4510, 0x4526, {0x99, 0xe6, 0xe5, 0xa1, 0x7e, 0xbd, 0x1a, 0xea}};
    return ::IsWindows8OrGreater() ? kSessionDisplayStatus : kMonitorPowerOn;
}

}  // namespace framework
