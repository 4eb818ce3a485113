// The screen changing size while the saver runs (a game switching modes, a monitor plugged in).
// What a user expects: the saver keeps covering the whole screen, at its new size, with whole
// frames - flames tiled edge to edge and the emblem drawn whole - never a strip of desktop or
// stale pixels, and it goes on until the user comes back.
//
// How the screen is changed here: Xvfb offers one mode only and refuses `xrandr --fb` to another
// size while its one output uses that mode, and Wine (with a single XRandR mode) answers
// ChangeDisplaySettingsEx with DISP_CHANGE_BADMODE. A Wine virtual desktop, however, offers the
// usual list of modes and really resizes when one is chosen. So the saver runs on a virtual
// desktop of its own, and this same test program, started again on that desktop as a helper,
// changes its mode: the display of a virtual desktop can only be changed from a process on it.
// The screen is read from the X root window, where the virtual desktop lies at (0, 0).
#include "FrameModel.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;
using testing_support::ChildProcess;
using testing_support::WaitFor;

constexpr wchar_t kHelperVariable[] = L"BRIMSTAR_DISPLAY_MODE_HELPER";

// The helper's whole work, done before any test starts: when its environment names a mode
// ("WIDTHxHEIGHT"), this process switches the display of its desktop to it and ends with 0 for
// success or 100 + the negated DISP_CHANGE_ code.
[[maybe_unused]] const bool g_ranAsHelper = [] {
    wchar_t mode[32] = {};
    if (!::GetEnvironmentVariableW(kHelperVariable, mode, 32))
        return false;
    wchar_t* rest = nullptr;
    DEVMODEW wanted{};
    wanted.dmSize = sizeof wanted;
    wanted.dmPelsWidth = std::wcstoul(mode, &rest, 10);
    wanted.dmPelsHeight = std::wcstoul(rest + 1, nullptr, 10);
    wanted.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
    const LONG result = ::ChangeDisplaySettingsExW(nullptr, &wanted, nullptr, 0, nullptr);
    ::ExitProcess(result == DISP_CHANGE_SUCCESSFUL ? 0 : static_cast<UINT>(100 - result));
}();

std::wstring WindowsDirectory()
{
    wchar_t path[MAX_PATH] = {};
    ::GetWindowsDirectoryW(path, MAX_PATH);
    return path;
}

// A Wine virtual desktop of the given size, made by the desktop program; it closes by itself once
// the last program on it has ended.
class VirtualDesktop {
public:
    VirtualDesktop(const std::wstring& name, SIZE size)
        : m_name(name),
          m_shell(WindowsDirectory() + L"\\explorer.exe",
                  L"/desktop=" + name + L"," + std::to_wstring(size.cx) + L"x" + std::to_wstring(size.cy))
    {
        WaitFor([this] { return (m_desktop = ::OpenDesktopW(m_name.c_str(), 0, FALSE, GENERIC_ALL)) != nullptr; }, 10s);
    }
    VirtualDesktop(const VirtualDesktop&) = delete;
    VirtualDesktop& operator=(const VirtualDesktop&) = delete;
    ~VirtualDesktop()
    {
        if (m_desktop)
            ::CloseDesktop(m_desktop);
        m_shell.WaitForExit(10s);  // ended by force after that
    }

    bool Ready() const { return m_desktop != nullptr; }
    const wchar_t* Name() const { return m_name.c_str(); }
    HDESK Handle() const { return m_desktop; }

    // Switches the desktop's display mode through the helper; the helper's exit code.
    DWORD ChangeMode(SIZE size) const
    {
        const std::wstring mode = std::to_wstring(size.cx) + L"x" + std::to_wstring(size.cy);
        ::SetEnvironmentVariableW(kHelperVariable, mode.c_str());
        ChildProcess helper(testing_support::ThisTestProgram(), L"", m_name.c_str());
        ::SetEnvironmentVariableW(kHelperVariable, nullptr);
        return helper.Started() && helper.WaitForExit(20s) ? helper.ExitCode() : STILL_ACTIVE;
    }

private:
    std::wstring m_name;
    ChildProcess m_shell;
    HDESK m_desktop = nullptr;
};

frame_model::Image CaptureScreen(SIZE size)
{
    frame_model::Image shot;
    shot.pixels = testing_support::CaptureScreen(size, shot.width, shot.height);
    return shot;
}

// What a screen shot shows, as the model would have drawn it.
struct Frame {
    int background;
    std::optional<POINT> sprite;
};

// The flames frame that differs least from the shot (the emblem covers at most 188 x 188 pixels),
// then the emblem's place from where the shot departs from those flames; a shot is a whole frame
// only if it equals the model's picture for both, pixel for pixel.
std::optional<Frame> Recognize(const frame_model::Artwork& artwork, const frame_model::Image& shot)
{
    using namespace frame_model;
    int bestFrame = 0;
    std::size_t fewest = SIZE_MAX;
    for (int frame = 0; frame < kFrameCount; ++frame) {
        std::size_t differing = 0;
        for (int y = 0; y < shot.height; ++y)
            for (int x = 0; x < shot.width; ++x)
                differing += shot.At(x, y) !=
                             artwork.backgrounds[frame].At(kTileSourceColumn + x % kTileWidth, y % kTileHeight);
        if (differing < fewest) {
            fewest = differing;
            bestFrame = frame;
        }
    }
    RECT box{shot.width, shot.height, 0, 0};
    for (int y = 0; y < shot.height; ++y)
        for (int x = 0; x < shot.width; ++x)
            if (shot.At(x, y) != artwork.backgrounds[bestFrame].At(kTileSourceColumn + x % kTileWidth, y % kTileHeight)) {
                box.left = std::min<LONG>(box.left, x);
                box.top = std::min<LONG>(box.top, y);
                box.right = std::max<LONG>(box.right, x + 1);
                box.bottom = std::max<LONG>(box.bottom, y + 1);
            }
    std::vector<std::optional<POINT>> candidates;
    if (box.left >= box.right) {
        candidates.push_back(std::nullopt);
    } else {
        // An emblem cut by an edge is placed by its other side.
        const RECT& seen = artwork.visibleSprite;
        for (const LONG x : {box.left - seen.left, box.right - seen.right})
            for (const LONG y : {box.top - seen.top, box.bottom - seen.bottom})
                candidates.push_back(POINT{x, y});
    }
    for (const auto& sprite : candidates)
        if (Compose(artwork, shot.width, shot.height, bestFrame, sprite).pixels == shot.pixels)
            return Frame{bestFrame, sprite};
    return std::nullopt;
}

// Waits for the screen to show whole frames of the given size: `count` shots in a row, each of a
// different flames frame than the last, so the animation is seen running.
::testing::AssertionResult ShowsWholeFrames(const frame_model::Artwork& artwork, SIZE size, int count,
                                            std::vector<Frame>& seen)
{
    std::optional<int> lastBackground;
    int shots = 0;
    int rejected = 0;
    WaitFor(
        [&] {
            ++shots;
            const std::optional<Frame> frame = Recognize(artwork, CaptureScreen(size));
            if (!frame) {
                ++rejected;
                seen.clear();
                lastBackground.reset();
            } else if (frame->background != lastBackground) {
                seen.push_back(*frame);
                lastBackground = frame->background;
            }
            return static_cast<int>(seen.size()) >= count;
        },
        20s);
    if (static_cast<int>(seen.size()) >= count)
        return ::testing::AssertionSuccess() << shots << " shots";
    return ::testing::AssertionFailure() << "no run of " << count << " whole " << size.cx << " x " << size.cy
                                         << " frames in 20 s (" << shots << " shots, " << rejected
                                         << " not whole frames)";
}

RECT WindowRect(HWND hWnd)
{
    RECT rect{};
    ::GetWindowRect(hWnd, &rect);
    return rect;
}

std::string Describe(const RECT& r)
{
    return "(" + std::to_string(r.left) + ", " + std::to_string(r.top) + ")-(" + std::to_string(r.right) + ", " +
           std::to_string(r.bottom) + ")";
}

TEST(DisplayChange, TheSaverFollowsTheScreenToEachNewSizeWithWholeFrames)
{
    constexpr SIZE kStart{1600, 900};
    constexpr SIZE kLarger{1920, 1080};  // the X screen's own size: the largest a desktop can be
    constexpr SIZE kSmaller{1024, 768};

    std::string error;
    const std::optional<frame_model::Artwork> artwork = frame_model::LoadArtwork(::GetModuleHandleW(nullptr), error);
    ASSERT_TRUE(artwork) << error;

    // No stored speed: the emblem glides at 1 pixel a tick along the top.
    const testing_support::PrivateSaver copy(L"BrimstarDisplayChange");
    const VirtualDesktop desktop(L"BrimstarDisplayChange" + std::to_wstring(::GetCurrentProcessId()), kStart);
    ASSERT_TRUE(desktop.Ready()) << "no virtual desktop";

    ChildProcess saver(copy.Path(), L"/s", desktop.Name());
    ASSERT_TRUE(saver.Started());
    HWND window = nullptr;
    ASSERT_TRUE(WaitFor(
        [&] {
            for (HWND candidate : saver.TopLevelWindows(desktop.Handle()))
                if (::GetWindowLongPtrW(candidate, GWL_STYLE) & WS_VISIBLE)
                    window = candidate;
            return window != nullptr;
        },
        10s))
        << "the saver showed no window";

    const auto report = [](const char* when, SIZE size, const std::vector<Frame>& frames) {
        std::cout << "[display] " << when << ": " << size.cx << " x " << size.cy << ", whole frames with flames";
        for (const Frame& frame : frames) {
            std::cout << " " << frame.background;
            if (frame.sprite)
                std::cout << " (emblem at " << frame.sprite->x << ", " << frame.sprite->y << ")";
        }
        std::cout << "\n";
    };
    const auto expectOnTheTopLane = [](const std::vector<Frame>& frames) {
        // Speed 1 from (-7, -7): minutes pass before the emblem leaves the top lane.
        for (const Frame& frame : frames)
            if (frame.sprite) {
                EXPECT_EQ(frame.sprite->y, -7);
                EXPECT_GE(frame.sprite->x, -7);
            }
    };

    std::vector<Frame> frames;
    EXPECT_EQ(Describe(WindowRect(window)), Describe(RECT{0, 0, kStart.cx, kStart.cy}));
    ASSERT_TRUE(ShowsWholeFrames(*artwork, kStart, 3, frames));
    report("at the start", kStart, frames);
    expectOnTheTopLane(frames);

    for (const SIZE size : {kLarger, kSmaller}) {
        ASSERT_EQ(desktop.ChangeMode(size), 0u) << "the display mode did not change to " << size.cx << " x " << size.cy;
        const RECT screen{0, 0, size.cx, size.cy};
        EXPECT_TRUE(WaitFor(
            [&] {
                const RECT covered = WindowRect(window);
                return ::EqualRect(&screen, &covered) != FALSE;
            },
            10s))
            << "after the change to " << size.cx << " x " << size.cy << " the saver covers "
            << Describe(WindowRect(window));
        frames.clear();
        EXPECT_TRUE(ShowsWholeFrames(*artwork, size, 3, frames));
        report("after the change", size, frames);
        expectOnTheTopLane(frames);
        ASSERT_TRUE(saver.Running()) << "the saver ended with the change, exit code " << saver.ExitCode();
    }

    // Still the saver it was: it ends as it always does, when its window is closed.
    ::PostMessageW(window, WM_CLOSE, 0, 0);
    ASSERT_TRUE(saver.WaitForExit(10s));
    EXPECT_EQ(saver.ExitCode(), 0u);
}

}  // namespace
