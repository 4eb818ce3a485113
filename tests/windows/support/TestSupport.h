#pragma once
// What the Windows tests share: waiting for conditions, starting the real saver, the profile.
#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace testing_support {

using namespace std::chrono_literals;

// Pumps this thread's messages while waiting, so in-process windows keep running.
// True as soon as condition holds; false when the deadline passes first.
bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds deadline = 10s);
// Pumps messages until the deadline; for letting in-process timers run a while.
void PumpMessagesFor(std::chrono::milliseconds duration);

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

// A started process, waited for and closed by its owner.
class ChildProcess {
public:
    // Starts program with the command line "program args" (args as typed on a command line).
    ChildProcess(const std::wstring& program, const std::wstring& args);
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess();  // ends the process if it still runs

    bool Started() const { return m_info.hProcess != nullptr; }
    DWORD Id() const { return m_info.dwProcessId; }
    HANDLE Handle() const { return m_info.hProcess; }
    // True once the process has ended within the deadline.
    bool WaitForExit(std::chrono::milliseconds deadline);
    DWORD ExitCode() const;
    // The process's top-level windows (visible or not), in no particular order.
    std::vector<HWND> TopLevelWindows() const;
    // The first visible top-level window of the process, waiting up to deadline; null if none.
    HWND WaitForVisibleWindow(std::chrono::milliseconds deadline = 10s) const;

private:
    PROCESS_INFORMATION m_info{};
};

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

}  // namespace testing_support
