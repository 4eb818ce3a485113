#include "TestSupport.h"

#include <algorithm>
#include <atomic>

namespace testing_support {

namespace {

std::wstring ConfigKey(const std::wstring& appName)
{
    return L"Software\\Tarnwick Inc.\\" + appName + L"\\Config";
}

std::wstring Widen(const char* text)
{
    std::wstring wide;
    for (; *text; ++text)
        wide.push_back(static_cast<wchar_t>(static_cast<unsigned char>(*text)));
    return wide;
}

}  // namespace

void PumpMessagesFor(std::chrono::milliseconds duration)
{
    WaitFor([] { return false; }, duration);
}

bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds deadline)
{
    const auto end = std::chrono::steady_clock::now() + deadline;
    for (;;) {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        if (condition())
            return true;
        const auto now = std::chrono::steady_clock::now();
        if (now >= end)
            return false;
        // Sleep until a message arrives or a short while passes, then look again.
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - now).count();
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(std::min<long long>(left, 5)), QS_ALLINPUT);
    }
}

std::wstring SaverPath()
{
    // The build tree's path as Wine sees it: the host's root is drive Z.
    std::wstring path = L"Z:" + Widen(BRIMSTAR_SCR_PATH);
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}

SaverCopy CopyOfSaver(const std::wstring& appName)
{
    wchar_t folder[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, folder);
    const std::wstring path = std::wstring(folder) + appName + L".SCR";
    ::CopyFileW(SaverPath().c_str(), path.c_str(), FALSE);
    return SaverCopy{path, appName};
}

ChildProcess::ChildProcess(const std::wstring& program, const std::wstring& args)
{
    std::wstring commandLine = L"\"" + program + L"\"";
    if (!args.empty())
        commandLine += L" " + args;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (!::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &m_info))
        m_info = PROCESS_INFORMATION{};
}

ChildProcess::~ChildProcess()
{
    if (!m_info.hProcess)
        return;
    if (::WaitForSingleObject(m_info.hProcess, 0) == WAIT_TIMEOUT) {
        ::TerminateProcess(m_info.hProcess, 99);
        ::WaitForSingleObject(m_info.hProcess, 10000);
    }
    ::CloseHandle(m_info.hThread);
    ::CloseHandle(m_info.hProcess);
}

bool ChildProcess::WaitForExit(std::chrono::milliseconds deadline)
{
    return WaitFor([this] { return ::WaitForSingleObject(m_info.hProcess, 0) == WAIT_OBJECT_0; }, deadline);
}

DWORD ChildProcess::ExitCode() const
{
    DWORD code = STILL_ACTIVE;
    ::GetExitCodeProcess(m_info.hProcess, &code);
    return code;
}

std::vector<HWND> ChildProcess::TopLevelWindows() const
{
    struct Search {
        DWORD processId;
        std::vector<HWND> found;
    } search{m_info.dwProcessId, {}};
    ::EnumWindows(
        [](HWND hWnd, LPARAM context) -> BOOL {
            auto* s = reinterpret_cast<Search*>(context);
            DWORD owner = 0;
            ::GetWindowThreadProcessId(hWnd, &owner);
            if (owner == s->processId)
                s->found.push_back(hWnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND ChildProcess::WaitForVisibleWindow(std::chrono::milliseconds deadline) const
{
    HWND visible = nullptr;
    WaitFor(
        [&] {
            for (HWND hWnd : TopLevelWindows())
                if (::IsWindowVisible(hWnd)) {
                    visible = hWnd;
                    return true;
                }
            return false;
        },
        deadline);
    return visible;
}

void DeleteStoredSpeed(const std::wstring& appName)
{
    ::RegDeleteKeyValueW(HKEY_CURRENT_USER, ConfigKey(appName).c_str(), L"Speed");
}

void StoreSpeedRaw(const std::wstring& appName, DWORD type, const void* data, DWORD size)
{
    ::RegSetKeyValueW(HKEY_CURRENT_USER, ConfigKey(appName).c_str(), L"Speed", type, data, size);
}

void StoreSpeed(const std::wstring& appName, DWORD value)
{
    StoreSpeedRaw(appName, REG_DWORD, &value, sizeof value);
}

bool ReadStoredSpeed(const std::wstring& appName, DWORD& value)
{
    DWORD size = sizeof value;
    return ::RegGetValueW(HKEY_CURRENT_USER, ConfigKey(appName).c_str(), L"Speed", RRF_RT_REG_DWORD, nullptr,
                          &value, &size) == ERROR_SUCCESS;
}

std::vector<COLORREF> ReadPixels(HDC dc, HBITMAP bitmap, int& width, int& height)
{
    BITMAP info{};
    ::GetObjectW(bitmap, sizeof info, &info);
    width = info.bmWidth;
    height = info.bmHeight;
    BITMAPINFO format{};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = width;
    format.bmiHeader.biHeight = -height;  // top row first
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    std::vector<COLORREF> pixels(static_cast<size_t>(width) * static_cast<size_t>(height));
    if (!pixels.empty())
        ::GetDIBits(dc, bitmap, 0, static_cast<UINT>(height), pixels.data(), &format, DIB_RGB_COLORS);
    for (auto& p : pixels)
        p &= 0x00FFFFFF;
    return pixels;
}

std::vector<COLORREF> CaptureClient(HWND hWnd, int& width, int& height)
{
    RECT area{};
    ::GetClientRect(hWnd, &area);
    HDC windowDC = ::GetDC(hWnd);
    HDC memory = ::CreateCompatibleDC(windowDC);
    HBITMAP copy = ::CreateCompatibleBitmap(windowDC, area.right, area.bottom);
    HGDIOBJ old = ::SelectObject(memory, copy);
    ::BitBlt(memory, 0, 0, area.right, area.bottom, windowDC, 0, 0, SRCCOPY);
    ::SelectObject(memory, old);
    std::vector<COLORREF> pixels = ReadPixels(memory, copy, width, height);
    ::DeleteObject(copy);
    ::DeleteDC(memory);
    ::ReleaseDC(hWnd, windowDC);
    return pixels;
}

}  // namespace testing_support
