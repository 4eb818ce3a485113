// How long one tick of our animation window takes, beside the same drawing in plain Win32 and a
// plain copy of one frame's bytes; and, with --rate, how many ticks a second the real timer gives.
//
//   tick_bench.exe                 the tick table (client sizes 152x112, 1920x1080, 3840x2160)
//   tick_bench.exe --rate 30       ticks a second over 30 s of real time
//   tick_bench.exe --display 40    the saver's CPU a second with the display on and off, 40 s in all
//   tick_bench.exe --scale         the tick at 3840x2160 drawn at 192 DPI against 96 DPI, and the
//                                  time to redraw the artwork for 144 and 192 DPI
//
// Ticks are driven with SendMessage(WM_TIMER, 1) as fast as they go and timed one by one. Our
// window and the plain one lie on top of each other and take turns tick by tick, each brought to
// the top before its tick, and a frame's copy is timed beside every pair: on a machine shared
// with other work, whatever else it is doing falls on all three alike.
#include "animation/AnimationWnd.h"
#include "animation/FullScreenWnd.h"
#include "bench/BareFrame.h"
#include "bench/Timing.h"
#include "framework/PowerNotification.h"
#include "tests/windows/support/AnimationWndProbe.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

using bench::Median;
using bench::NowMs;
using bench::PumpPending;

constexpr int kWarmUpTicks = 10;  // each: first buffer, first pushes to the display
constexpr int kTimedTicks = 500;  // each, per size
constexpr DWORD kWindowStyle = WS_POPUP | WS_VISIBLE;

struct ClientSize {
    int width;
    int height;
};

volatile unsigned char g_copySink;  // keeps the copied bytes observable

[[noreturn]] void Fail(const char* what)
{
    std::fprintf(stderr, "tick_bench: %s (error %lu)\n", what, ::GetLastError());
    std::exit(1);
}

void CheckClientSize(HWND window, ClientSize size)
{
    RECT area{};
    ::GetClientRect(window, &area);
    if (area.right != size.width || area.bottom != size.height)
        Fail("a window did not get the requested client size");
}

LRESULT CALLBACK BareWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* animation = reinterpret_cast<bare::Animation*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
    case WM_NCCREATE:
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(
                                                       reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
        break;
    case WM_TIMER:
        if (wParam == 1 && animation) {
            animation->Tick(window);
            return 0;
        }
        break;
    case WM_PAINT:
        if (animation) {
            animation->Paint(window);
            return 0;
        }
        break;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

constexpr wchar_t kBareClass[] = L"BrimstarBareTick";

void RegisterBareClass()
{
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_VREDRAW | CS_HREDRAW;
    wc.lpfnWndProc = &BareWindowProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = kBareClass;
    if (!::RegisterClassExW(&wc))
        Fail("could not register the plain window class");
}

// The plain window: its own class, the plain drawing, DefWindowProc for everything else.
class BareWindow {
public:
    BareWindow(ClientSize size, bare::Animation& animation)
        : m_hWnd(::CreateWindowExW(0, kBareClass, L"", kWindowStyle, 0, 0, size.width, size.height, nullptr,
                                   nullptr, ::GetModuleHandleW(nullptr), &animation))
    {
    }
    BareWindow(const BareWindow&) = delete;
    BareWindow& operator=(const BareWindow&) = delete;
    ~BareWindow()
    {
        if (m_hWnd)
            ::DestroyWindow(m_hWnd);
    }

    HWND m_hWnd;
};

// Brings the window to the top, lets it repaint what it uncovers, then times one driven tick.
double TimedTick(HWND window)
{
    ::SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    PumpPending();
    const double start = NowMs();
    ::SendMessageW(window, WM_TIMER, CAnimationWnd::kTimerId, 0);
    const double elapsed = NowMs() - start;
    PumpPending();
    return elapsed;
}

double TimedCopy(const std::vector<unsigned char>& source, std::vector<unsigned char>& target)
{
    const double start = NowMs();
    std::memcpy(target.data(), source.data(), source.size());
    const double elapsed = NowMs() - start;
    g_copySink = target[target.size() / 2];
    return elapsed;
}

struct SizeFigures {
    std::vector<double> ours, bare, copy;
};

SizeFigures MeasureSize(ClientSize size)
{
    CAnimationWnd ours(FALSE);
    const RECT rect{0, 0, size.width, size.height};
    if (!ours.Create(0, kWindowStyle, rect, nullptr, 0, nullptr))
        Fail("could not create our animation window");
    CheckClientSize(ours.m_hWnd, size);
    // Only the driven ticks may draw: the window's own timer would add untimed ones.
    ::KillTimer(ours.m_hWnd, CAnimationWnd::kTimerId);

    bare::Animation animation(1);  // our window's speed with nothing stored
    if (!animation.Loaded())
        Fail("could not load the artwork");
    BareWindow plain(size, animation);
    if (!plain.m_hWnd)
        Fail("could not create the plain window");
    CheckClientSize(plain.m_hWnd, size);

    const std::size_t frameBytes = static_cast<std::size_t>(size.width) * size.height * 4;
    std::vector<unsigned char> source(frameBytes, 0x5A), target(frameBytes, 0);

    SizeFigures figures;
    for (int i = 0; i < kWarmUpTicks; ++i) {
        TimedTick(ours.m_hWnd);
        TimedTick(plain.m_hWnd);
        TimedCopy(source, target);
    }
    for (int i = 0; i < kTimedTicks; ++i) {
        // Alternate who goes first, so that neither always follows the copy.
        if (i % 2 == 0) {
            figures.ours.push_back(TimedTick(ours.m_hWnd));
            figures.bare.push_back(TimedTick(plain.m_hWnd));
        } else {
            figures.bare.push_back(TimedTick(plain.m_hWnd));
            figures.ours.push_back(TimedTick(ours.m_hWnd));
        }
        figures.copy.push_back(TimedCopy(source, target));
    }
    return figures;
}

void RunTickTable()
{
    RegisterBareClass();
    const ClientSize sizes[] = {{152, 112}, {1920, 1080}, {3840, 2160}};
    const int screenWidth = ::GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = ::GetSystemMetrics(SM_CYSCREEN);

    std::printf("Tick of the animation, driven by SendMessage(WM_TIMER), timed one by one\n");
    std::printf("(screen %d x %d; %d ticks each of ours and the bare loop per size, taking turns)\n\n", screenWidth,
                screenHeight, kTimedTicks);
    std::printf("| client size | ours median ms | bare median ms | ours / bare | memcpy of a frame, median ms "
                "| ours / bare, median of tick pairs |\n");
    std::printf("|---|---|---|---|---|---|\n");
    bool allWithinTarget = true;
    for (const ClientSize size : sizes) {
        const SizeFigures figures = MeasureSize(size);
        const double ratio = Median(figures.ours) / Median(figures.bare);
        // Each pair ran back to back, under the same load: the spread of their ratios is the
        // measurement's own noise, and their median a second estimate of the ratio.
        std::vector<double> pairRatios;
        for (std::size_t i = 0; i < figures.ours.size(); ++i)
            pairRatios.push_back(figures.ours[i] / figures.bare[i]);
        allWithinTarget = allWithinTarget && ratio <= 1.10;
        const bool clipped = size.width > screenWidth || size.height > screenHeight;
        std::printf("| %d x %d%s | %.3f | %.3f | %.3f | %.3f | %.3f |\n", size.width, size.height,
                    clipped ? " (larger than the screen: clipped)" : "", Median(figures.ours),
                    Median(figures.bare), ratio, Median(figures.copy), Median(pairRatios));
        std::fflush(stdout);
    }
    std::printf("\nTarget ours / bare <= 1.10 at every size: %s\n", allWithinTarget ? "met" : "MISSED");
}

// Tells an animation window that it now lies on a monitor of dpi dots per inch, as the system does.
void SendDpiChange(HWND window, UINT dpi)
{
    RECT place{};
    ::GetWindowRect(window, &place);
    ::SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&place));
}

// Two of our windows at 3840 x 2160, one drawing at 96 DPI and one at 192 (told so by the
// message the system sends on a change of scale, since Wine has one scale for all windows),
// ticked in turns; then the artwork redrawn for 144 and for 192 DPI, alternately, each back to
// 96 in between.
void RunScaleTable()
{
    const ClientSize size{3840, 2160};
    const RECT rect{0, 0, size.width, size.height};
    CAnimationWnd atDesign(FALSE);
    CAnimationWnd atDouble(FALSE);
    for (CAnimationWnd* window : {&atDesign, &atDouble}) {
        if (!window->Create(0, kWindowStyle, rect, nullptr, 0, nullptr))
            Fail("could not create our animation window");
        CheckClientSize(window->m_hWnd, size);
        ::KillTimer(window->m_hWnd, CAnimationWnd::kTimerId);
        SendDpiChange(window->m_hWnd, 96);
    }
    SendDpiChange(atDouble.m_hWnd, 192);

    std::vector<double> design, twice;
    for (int i = 0; i < kWarmUpTicks; ++i) {
        TimedTick(atDesign.m_hWnd);
        TimedTick(atDouble.m_hWnd);
    }
    for (int i = 0; i < kTimedTicks; ++i) {
        if (i % 2 == 0) {
            design.push_back(TimedTick(atDesign.m_hWnd));
            twice.push_back(TimedTick(atDouble.m_hWnd));
        } else {
            twice.push_back(TimedTick(atDouble.m_hWnd));
            design.push_back(TimedTick(atDesign.m_hWnd));
        }
    }

    constexpr int kRedraws = 40;  // each scale
    std::vector<double> redraw144, redraw192;
    for (int i = 0; i < kRedraws; ++i) {
        for (const UINT dpi : {144u, 192u}) {
            const double start = NowMs();
            SendDpiChange(atDesign.m_hWnd, dpi);
            (dpi == 144 ? redraw144 : redraw192).push_back(NowMs() - start);
            SendDpiChange(atDesign.m_hWnd, 96);
        }
    }

    const double ratio = Median(twice) / Median(design);
    std::printf("Tick of a %d x %d animation window at two display scales, %d ticks each, taking turns\n\n",
                size.width, size.height, kTimedTicks);
    std::printf("| 96 DPI median ms | 192 DPI median ms | 192 / 96 |\n|---|---|---|\n");
    std::printf("| %.3f | %.3f | %.3f |\n\n", Median(design), Median(twice), ratio);
    std::printf("Redrawing the artwork for a scale, %d times each, median ms: 144 DPI %.2f, 192 DPI %.2f\n",
                kRedraws, Median(redraw144), Median(redraw192));
    std::printf("\nTarget 192 / 96 <= 1.10: %s\n", ratio <= 1.10 ? "met" : "MISSED");
}

// An animation window that notes when each of its timer ticks arrives, then handles it as usual.
class TickCountingWnd : public CAnimationWnd {
public:
    TickCountingWnd() : CAnimationWnd(FALSE) {}

    std::vector<double> arrivals;

protected:
    bool ProcessWindowMessage(const framework::Message& m, LRESULT& result) override
    {
        if (m.id == WM_TIMER && m.wParam == kTimerId)
            arrivals.push_back(NowMs());
        return CAnimationWnd::ProcessWindowMessage(m, result);
    }
};

void RunTickRate(double seconds)
{
    const ClientSize screen{::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    TickCountingWnd window;
    const RECT rect{0, 0, screen.width, screen.height};
    if (!window.Create(0, kWindowStyle, rect, nullptr, 0, nullptr))
        Fail("could not create our animation window");
    PumpPending();  // the first paint
    // The timer was set while the window was being created: count from here.
    const double start = NowMs();
    const std::int32_t counterAtStart = AnimationWndProbe::FrameCounter(window);
    const double end = start + seconds * 1000.0;
    for (double now = start; now < end; now = NowMs()) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now) + 1, QS_ALLINPUT);
        PumpPending();
    }

    // Each tick handled moves the frame counter on by one: a check that every arrival was drawn.
    const std::int32_t framesDrawn = AnimationWndProbe::FrameCounter(window) - counterAtStart;

    std::vector<double> intervals;
    int counted = 0;
    for (std::size_t i = 0; i < window.arrivals.size(); ++i) {
        if (window.arrivals[i] < start || window.arrivals[i] > end)
            continue;
        ++counted;
        if (i > 0)
            intervals.push_back(window.arrivals[i] - window.arrivals[i - 1]);
    }
    const double perSecond = counted / seconds;
    const double deviation = (perSecond - 8.0) / 8.0 * 100.0;
    std::printf("Real timer ticks of a %d x %d animation window over %.0f s of real time\n\n", screen.width,
                screen.height, seconds);
    std::printf("| ticks | frames drawn | ticks/s | off 8/s | median interval ms | shortest ms | longest ms |\n");
    std::printf("|---|---|---|---|---|---|---|\n");
    std::printf("| %d | %d | %.3f | %+.2f %% | %.2f | %.2f | %.2f |\n", counted, static_cast<int>(framesDrawn),
                perSecond, deviation, Median(intervals), bench::Quantile(intervals, 0.0),
                bench::Quantile(intervals, 1.0));
    std::printf("\nTarget 8 ticks/s within 5 %%: %s\n", std::abs(deviation) <= 5.0 ? "met" : "MISSED");
}

// CPU seconds this process has used, kernel and user.
double ProcessCpuSeconds()
{
    FILETIME created, exited, kernel, user;
    ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
    const auto seconds = [](FILETIME time) {
        return static_cast<double>((static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
}

// Tells the window the new state of the display it watches, as the system does: 0 off, 1 on.
void SendDisplayState(HWND window, DWORD state)
{
    struct {  // POWERBROADCAST_SETTING with its four bytes of data
        GUID setting;
        DWORD length;
        DWORD value;
    } change{framework::DisplayStateSetting(), sizeof(DWORD), state};
    ::SendMessageW(window, WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, reinterpret_cast<LPARAM>(&change));
}

// The real saver window on its own timer, its display turned on and off in turns of 5 s: the
// process's CPU a second in each turn, medians per state.
void RunDisplayStates(double seconds)
{
    constexpr double kTurnMs = 5000.0;
    CFullScreenWnd* saver = StartSaver();
    if (!saver)
        Fail("could not create the saver window");
    const HWND window = saver->m_hWnd;
    const int turns = std::max(2, static_cast<int>(seconds * 1000.0 / kTurnMs) / 2 * 2);
    std::vector<double> perState[2];  // [0] off, [1] on
    for (int turn = 0; turn < turns; ++turn) {
        const DWORD state = turn % 2 == 0 ? 1 : 0;
        SendDisplayState(window, state);
        const double start = NowMs();
        const double cpuAtStart = ProcessCpuSeconds();
        for (double now = start; now < start + kTurnMs; now = NowMs()) {
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(start + kTurnMs - now) + 1, QS_ALLINPUT);
            PumpPending();
        }
        if (!::IsWindow(window))
            Fail("the saver ended during the measurement");
        perState[state].push_back((ProcessCpuSeconds() - cpuAtStart) / ((NowMs() - start) / 1000.0));
    }
    ::DestroyWindow(window);
    PumpPending();

    const double on = Median(perState[1]);
    const double off = Median(perState[0]);
    std::printf("The saver window (%d x %d) on its own timer, display on and off in turns of %.0f s, %d turns "
                "each\n\n",
                ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN), kTurnMs / 1000.0, turns / 2);
    std::printf("| display | CPU s per s, median | per turn |\n|---|---|---|\n");
    for (const int state : {1, 0}) {
        std::printf("| %s | %.4f |", state ? "on" : "off", state ? on : off);
        for (const double figure : perState[state])
            std::printf(" %.4f", figure);
        std::printf(" |\n");
    }
    std::printf("\noff / on: %.3f\n", on > 0 ? off / on : 0.0);
}

}  // namespace

int main(int argc, char** argv)
{
    // The runs on the real timer, for so many seconds of real time.
    const bool rate = argc == 3 && std::strcmp(argv[1], "--rate") == 0;
    if (rate || (argc == 3 && std::strcmp(argv[1], "--display") == 0)) {
        const double seconds = std::atof(argv[2]);
        if (seconds <= 0)
            Fail("--rate and --display need a number of seconds");
        if (rate)
            RunTickRate(seconds);
        else
            RunDisplayStates(seconds);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--scale") == 0) {
        RunScaleTable();
        return 0;
    }
    if (argc != 1) {
        std::fprintf(stderr, "usage: tick_bench.exe [--rate SECONDS | --display SECONDS | --scale]\n");
        return 2;
    }
    RunTickTable();
    return 0;
}
