#pragma once
// A window's registration for the changes of one power setting, ended with its owner.
#include <windows.h>

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
        m_handle = ::RegisterPowerSettingNotification(recipient, &setting, DEVICE_NOTIFY_WINDOW_HANDLE);
        return m_handle != nullptr;
    }

    void Unregister()
    {
        if (m_handle)
            ::UnregisterPowerSettingNotification(m_handle);
        m_handle = nullptr;
    }

private:
    HPOWERNOTIFY m_handle = nullptr;
};

}  // namespace framework
