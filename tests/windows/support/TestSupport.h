#pragma once
// What the Windows tests share: waiting for conditions, starting the real saver, the profile.
#include "framework/PowerNotification.h"

#include <windows.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace testing_support {

using namespace std::chrono_literals;

// Pumps this thread's messages while waiting, so in-process windows keep running.
// True as soon as condition holds; false when the deadline passes first.
bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds deadline = 10s);
// Pumps messages until the deadline; for letting in-process timers run a while.
void PumpMessagesFor(std::chrono::milliseconds duration);

// The Wine underneath ("8.0", "10.0"), or nothing on Windows itself.
std::optional<std::string> WineVersion();

// The running test program's own file, for starting it again as a helper.
std::wstring ThisTestProgram();

// The power settings that tell a window a display's state, and a change of one sent as the
// system sends it: 0 off, 1 on, 2 dimmed (not the last setting); by default the one the window
// watches.
inline constexpr GUID kSessionDisplayStatus{0x2b84c20e, 0xad23, 0x4ddf, {0x93, 0xdb, 0x05, 0xff, 0xbd, 0x7e, 0xfc, 0xa5}};
inline constexpr GUID kConsoleDisplayState{0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};
inline constexpr GUID kMonitorPowerOn{0x02731015, 0x4510, 0x4526, {0x99, 0xe6, 0xe5, 0xa1, 0x7e, 0xbd, 0x1a, 0xea}};
void SendDisplayState(HWND window, DWORD state, const GUID& setting = framework::DisplayStateSetting());

// The built BRIMSTAR.SCR.
std::wstring SaverPath();
// A copy of the saver under a name of its own in a temporary folder. The profile belongs to the
// executable's name, so each test that stores a speed works on a setting no other test touches.
// The name is also the application name: HKCU\Software\Tarnwick Inc.\<name>\Config.
struct SaverCopy {
    std::wstring path;
    std::wstring appName;
};
SaverCopy CopyOfSaver(const std::wstring& appName);

// A copy of the saver whose profile holds the given speed, or none; the copy and its setting are
// both removed again when it goes.
class PrivateSaver {
public:
    explicit PrivateSaver(const std::wstring& appName, std::optional<DWORD> speed = std::nullopt);
    PrivateSaver(const PrivateSaver&) = delete;
    PrivateSaver& operator=(const PrivateSaver&) = delete;
    ~PrivateSaver();

    const SaverCopy& Copy() const { return m_copy; }
    const std::wstring& Path() const { return m_copy.path; }
    const std::wstring& AppName() const { return m_copy.appName; }

private:
    SaverCopy m_copy;
};

// A started process, waited for and closed by its owner.
class ChildProcess {
public:
    // Starts program with the command line "program args" (args as typed on a command line), on
    // the named desktop or, without one, on this process's own.
    ChildProcess(const std::wstring& program, const std::wstring& args, const wchar_t* desktop = nullptr);
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess();  // ends the process if it still runs

    bool Started() const { return m_info.hProcess != nullptr; }
    // Why the process could not be started (GetLastError of CreateProcess); 0 once started.
    DWORD StartError() const { return m_startError; }
    DWORD Id() const { return m_info.dwProcessId; }
    DWORD ThreadId() const { return m_info.dwThreadId; }  // of its first thread
    HANDLE Handle() const { return m_info.hProcess; }
    bool Running() const { return ::WaitForSingleObject(m_info.hProcess, 0) == WAIT_TIMEOUT; }
    // True once the process has ended within the deadline.
    bool WaitForExit(std::chrono::milliseconds deadline);
    DWORD ExitCode() const;
    // The process's top-level windows (visible or not) on the given desktop or, without one, on
    // this process's own, in no particular order.
    std::vector<HWND> TopLevelWindows(HDESK desktop = nullptr) const;
    // The first visible top-level window of the process, waiting up to deadline; null if none.
    HWND WaitForVisibleWindow(std::chrono::milliseconds deadline = 10s) const;

private:
    PROCESS_INFORMATION m_info{};
    DWORD m_startError = 0;
};

std::wstring ClassOf(HWND hWnd);
std::wstring TextOf(HWND hWnd);
// The first visible dialog among the process's top-level windows (with that caption, when one is
// given), waiting up to deadline for it to show; null if none.
HWND WaitForDialog(const ChildProcess& process, const wchar_t* caption = nullptr,
                   std::chrono::milliseconds deadline = 10s);

// The profile value HKCU\Software\Tarnwick Inc.\<appName>\Config\Speed.
void DeleteStoredSpeed(const std::wstring& appName);
void StoreSpeed(const std::wstring& appName, DWORD value);
// Stores raw data of any registry type, for testing what a reader makes of it.
void StoreSpeedRaw(const std::wstring& appName, DWORD type, const void* data, DWORD size);
// The stored value, if there is a REG_DWORD.
bool ReadStoredSpeed(const std::wstring& appName, DWORD& value);

// The pixels of a bitmap as 0x00RRGGBB values, top row first.
std::vector<COLORREF> ReadPixels(HDC dc, HBITMAP bitmap, int& width, int& height);
// The pixels of a window's client area as shown (read from the window's own context).
std::vector<COLORREF> CaptureClient(HWND hWnd, int& width, int& height);
// The top left part of the screen of the given size, read the way any program reads it.
std::vector<COLORREF> CaptureScreen(SIZE area, int& width, int& height);
// Any rectangle of the screen (in screen coordinates), read the same way.
std::vector<COLORREF> CaptureScreenArea(const RECT& area, int& width, int& height);

}  // namespace testing_support
