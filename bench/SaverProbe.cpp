// Runs one full-screen saver for a while, reports how soon its first frame reached the screen,
// then ends it the way a user would.
//
//   saver_probe.exe SECONDS PROGRAM [ARGUMENTS...]
//
// Prints one line of name=value pairs:
//   first_frame_ms  from just before CreateProcess until sampled screen pixels all show one of
//                   the flame frames (read back from the screen itself)
//   wine_cpu_s      user + kernel time as GetProcessTimes reports it after SECONDS
//   wine_peak_working_set   bytes, as GetProcessMemoryInfo reports it after SECONDS
//   monitors        how many monitors the system reports (SM_CMONITORS)
//   ended           "input" when a key press ended the saver, "terminated" when it had to be
//                   ended by force, "exited" when it had ended on its own before the time was up
// Under Wine 8 the CPU figure of another process stays at what it was early in the run, so
// scripts/bench.sh reads CPU time from Linux's accounting instead and prints this one beside it.
// The peak working set equals the peak resident size Linux reports for the process (VmHWM).
// The artwork looked for is linked into this program from the same resources.
#include "bench/Timing.h"
#include "resources/resource.h"

#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <optional>
#include <string>
#include <vector>

namespace {

using bench::NowMs;

constexpr int kFrameCount = 4;
constexpr int kTileWidth = 124;
constexpr int kTileHeight = 157;
constexpr double kFirstFrameDeadlineMs = 30000.0;

[[noreturn]] void Fail(const char* what)
{
    std::fprintf(stderr, "saver_probe: %s (error %lu)\n", what, ::GetLastError());
    std::exit(1);
}

class ScreenDC {
public:
    ScreenDC() : m_hDC(::GetDC(nullptr)) {}
    ScreenDC(const ScreenDC&) = delete;
    ScreenDC& operator=(const ScreenDC&) = delete;
    ~ScreenDC() { ::ReleaseDC(nullptr, m_hDC); }
    HDC m_hDC;
};

// One background frame's pixels as COLORREF values, the way GetPixel reports them.
struct FramePixels {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> pixels;
    COLORREF At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

FramePixels LoadFrame(UINT id, HDC screen)
{
    HBITMAP bitmap = ::LoadBitmapW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id));
    if (!bitmap)
        Fail("could not load a background frame");
    BITMAP info{};
    ::GetObjectW(bitmap, sizeof info, &info);
    FramePixels frame;
    frame.width = info.bmWidth;
    frame.height = info.bmHeight;
    BITMAPINFO format{};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = frame.width;
    format.bmiHeader.biHeight = -frame.height;  // top row first
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    std::vector<DWORD> raw(static_cast<std::size_t>(frame.width) * frame.height);
    const int rows = ::GetDIBits(screen, bitmap, 0, frame.height, raw.data(), &format, DIB_RGB_COLORS);
    ::DeleteObject(bitmap);
    if (rows != frame.height)
        Fail("could not read a background frame");
    for (DWORD value : raw)
        frame.pixels.push_back(RGB((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF));
    return frame;
}

// Screen points that show the flames from the first frame on: below the sprite's first row, where
// the emblem cannot be in the first seconds.
std::vector<POINT> SamplePoints(int screenWidth, int screenHeight)
{
    std::vector<POINT> points;
    for (int row = 1; row <= 3; ++row)
        for (int column = 1; column <= 3; ++column)
            points.push_back(POINT{screenWidth * column / 4 + 13 * row, screenHeight * (row + 1) / 5 + 7 * column});
    return points;
}

class FlameDetector {
public:
    FlameDetector(HDC screen, int screenWidth, int screenHeight)
        : m_screen(screen), m_points(SamplePoints(screenWidth, screenHeight))
    {
        static constexpr UINT kFrames[kFrameCount] = {IDB_BACKGROUND0, IDB_BACKGROUND1, IDB_BACKGROUND2,
                                                      IDB_BACKGROUND3};
        for (UINT id : kFrames)
            m_frames.push_back(LoadFrame(id, screen));
    }

    // True when every sampled screen pixel shows the same one of the four flame frames.
    bool ShowsFlames() const
    {
        std::vector<COLORREF> seen;
        for (const POINT& point : m_points)
            seen.push_back(::GetPixel(m_screen, point.x, point.y));
        for (const FramePixels& frame : m_frames) {
            bool all = true;
            for (std::size_t i = 0; i < m_points.size() && all; ++i) {
                const POINT& point = m_points[i];
                all = seen[i] == frame.At(1 + point.x % kTileWidth, point.y % kTileHeight);
            }
            if (all)
                return true;
        }
        return false;
    }

private:
    HDC m_screen;
    std::vector<POINT> m_points;
    std::vector<FramePixels> m_frames;
};

double CpuSeconds(HANDLE process)
{
    FILETIME created, exited, kernel, user;
    if (!::GetProcessTimes(process, &created, &exited, &kernel, &user))
        Fail("GetProcessTimes failed");
    auto seconds = [](const FILETIME& time) {
        const ULONGLONG units = (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
        return static_cast<double>(units) / 1e7;  // 100 ns units
    };
    return seconds(kernel) + seconds(user);
}

void SleepUntil(double startMs, double afterMs)
{
    for (double now = NowMs(); now < startMs + afterMs; now = NowMs())
        ::Sleep(static_cast<DWORD>(startMs + afterMs - now) + 1);
}

void PressKey(WORD key)
{
    INPUT inputs[2]{};
    inputs[0].type = INPUT_KEYBOARD;
    inputs[0].ki.wVk = key;
    inputs[1] = inputs[0];
    inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
    ::SendInput(2, inputs, sizeof(INPUT));
}

class Process {
public:
    explicit Process(std::wstring commandLine)
    {
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                              &m_info))
            Fail("could not start the program");
    }
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    ~Process()
    {
        if (::WaitForSingleObject(m_info.hProcess, 0) == WAIT_TIMEOUT) {
            ::TerminateProcess(m_info.hProcess, 99);
            ::WaitForSingleObject(m_info.hProcess, 10000);
        }
        ::CloseHandle(m_info.hThread);
        ::CloseHandle(m_info.hProcess);
    }

    HANDLE Handle() const { return m_info.hProcess; }
    bool Running() const { return ::WaitForSingleObject(m_info.hProcess, 0) == WAIT_TIMEOUT; }

private:
    PROCESS_INFORMATION m_info{};
};

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: saver_probe.exe SECONDS PROGRAM [ARGUMENTS...]\n");
        return 2;
    }
    const double runMs = std::wcstod(argv[1], nullptr) * 1000.0;
    if (runMs <= 0)
        Fail("SECONDS must be a positive number");
    std::wstring commandLine = L"\"" + std::wstring(argv[2]) + L"\"";
    for (int i = 3; i < argc; ++i)
        commandLine += L" " + std::wstring(argv[i]);

    const int screenWidth = ::GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = ::GetSystemMetrics(SM_CYSCREEN);
    ScreenDC screen;
    const FlameDetector detector(screen.m_hDC, screenWidth, screenHeight);

    // A previous run's window must be gone, or its frame would be taken for this one's.
    const double clearDeadline = NowMs() + 10000.0;
    while (detector.ShowsFlames()) {
        if (NowMs() > clearDeadline)
            Fail("the screen still shows flames from an earlier run");
        ::Sleep(10);
    }

    const double start = NowMs();
    Process saver(commandLine);
    std::optional<double> firstFrameMs;
    while (saver.Running() && NowMs() - start < kFirstFrameDeadlineMs) {
        if (detector.ShowsFlames()) {
            firstFrameMs = NowMs() - start;
            break;
        }
        ::Sleep(1);
    }

    SleepUntil(start, runMs);
    const bool ranToEnd = saver.Running();
    const double cpu = CpuSeconds(saver.Handle());
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    if (!::GetProcessMemoryInfo(saver.Handle(), &memory, sizeof memory))
        Fail("GetProcessMemoryInfo failed");

    const char* ended = "exited";
    if (ranToEnd) {
        PressKey(VK_SHIFT);
        ended = ::WaitForSingleObject(saver.Handle(), 10000) == WAIT_OBJECT_0 ? "input" : "terminated";
    }

    std::printf("screen=%dx%d monitors=%d first_frame_ms=%.1f wine_cpu_s=%.3f wine_peak_working_set=%llu ended=%s\n",
                screenWidth, screenHeight, ::GetSystemMetrics(SM_CMONITORS), firstFrameMs ? *firstFrameMs : -1.0, cpu,
                static_cast<unsigned long long>(memory.PeakWorkingSetSize), ended);
    return firstFrameMs && ranToEnd ? 0 : 1;
}
