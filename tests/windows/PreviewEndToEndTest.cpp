// The real BRIMSTAR.SCR started the way a host starts its preview: "/p <decimal window handle>".
//
// Under Wine a child window of another process draws nothing to the screen, so the preview's
// pixels are checked in-process (AnimationFrameTest). Here the preview is checked by what a host
// can see of it - its window's place, style and lifetime - and its ticks by reading the running
// animation's own counter and position out of the saver's memory.
#include "AnimationWndProbe.h"
#include "HostWindow.h"
#include "TestSupport.h"

#include "animation/AnimationWnd.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;
using testing_support::ChildOfProcess;
using testing_support::ChildProcess;
using testing_support::HostWindow;
using testing_support::PrivateSaver;
using testing_support::WaitFor;

constexpr int kHostWidth = 152;
constexpr int kHostHeight = 112;

std::wstring Decimal(HWND hWnd)
{
    return std::to_wstring(reinterpret_cast<std::uintptr_t>(hWnd));
}

struct LiveAnimation {
    HWND window;
    std::int32_t frameCounter;
    std::int32_t x;
    std::int32_t y;
};

// The animation's state as it is right now inside the saver's process.
std::optional<LiveAnimation> ReadLiveAnimation(HANDLE process, HWND preview, const AnimationLayout& layout)
{
    const LONG_PTR object = ::GetWindowLongPtrW(preview, GWLP_USERDATA);
    if (!object)
        return std::nullopt;
    std::vector<char> bytes(layout.size);
    SIZE_T read = 0;
    if (!::ReadProcessMemory(process, reinterpret_cast<LPCVOID>(object), bytes.data(), bytes.size(), &read) ||
        read != bytes.size())
        return std::nullopt;
    LiveAnimation live{};
    std::memcpy(&live.window, bytes.data() + layout.window, sizeof live.window);
    std::memcpy(&live.frameCounter, bytes.data() + layout.frameCounter, sizeof live.frameCounter);
    std::memcpy(&live.x, bytes.data() + layout.x, sizeof live.x);
    std::memcpy(&live.y, bytes.data() + layout.y, sizeof live.y);
    return live;
}

// Every x the sprite can take at this speed and width, starting from -7.
std::set<std::int32_t> ReachableX(std::int32_t speed, std::int32_t width)
{
    std::set<std::int32_t> reachable{-7};
    std::int32_t x = -7;
    for (int tick = 0; tick < 1000; ++tick) {
        x += speed;
        if (x >= width)
            x = -188;
        reachable.insert(x);
    }
    return reachable;
}

// ---- A host's preview, from start to end -------------------------------------------------------------

struct Spelling {
    const wchar_t* option;  // followed by the handle
    const char* name;
};

void PrintTo(const Spelling& spelling, std::ostream* out) { *out << spelling.name; }

class PreviewInHost : public ::testing::TestWithParam<Spelling> {};

TEST_P(PreviewInHost, FillsTheHostTicksAndEndsWithIt)
{
    constexpr DWORD kSpeed = 40;
    const PrivateSaver saverFile(L"BrimstarPreviewEndToEnd", kSpeed);
    HostWindow host(40, 40, kHostWidth, kHostHeight);
    ASSERT_NE(nullptr, host.Handle());
    ASSERT_TRUE(WaitFor([&] { return !::GetUpdateRect(host.Handle(), nullptr, FALSE); }));

    ChildProcess saver(saverFile.Path(), GetParam().option + Decimal(host.Handle()));
    ASSERT_TRUE(saver.Started());

    // The preview appears inside the host and shows; the saver shows nothing of its own besides.
    // (A window being created is there to be found a moment before it is shown.)
    HWND preview = nullptr;
    bool showedTopLevelWindow = false;
    const bool shown = WaitFor([&] {
        for (HWND hWnd : saver.TopLevelWindows())
            showedTopLevelWindow |= ::IsWindowVisible(hWnd) != FALSE;
        preview = ChildOfProcess(host.Handle(), saver.Id());
        return preview && ::IsWindowVisible(preview);
    });
    ASSERT_NE(nullptr, preview) << "no window of the saver appeared in the host";
    ASSERT_TRUE(shown) << "the preview's window appeared in the host but was never shown";
    EXPECT_EQ(host.Handle(), ::GetParent(preview));
    EXPECT_TRUE(::GetWindowLongPtrW(preview, GWL_STYLE) & WS_CHILD);
    RECT placed{};
    ::GetWindowRect(preview, &placed);
    ::MapWindowPoints(nullptr, host.Handle(), reinterpret_cast<POINT*>(&placed), 2);
    EXPECT_EQ(0, placed.left);
    EXPECT_EQ(0, placed.top);
    EXPECT_EQ(kHostWidth, placed.right);
    EXPECT_EQ(kHostHeight, placed.bottom);
    RECT client{};
    ::GetClientRect(preview, &client);
    EXPECT_EQ(kHostWidth, client.right) << "the preview's client area is narrower than its window";
    EXPECT_EQ(kHostHeight, client.bottom) << "the preview's client area is lower than its window";

    // It ticks: the counter climbs, and the sprite moves at the stored speed along the top, the
    // only row a host's small preview has room for.
    const AnimationLayout layout = AnimationWndProbe::Layout();
    std::optional<LiveAnimation> first = ReadLiveAnimation(saver.Handle(), preview, layout);
    ASSERT_TRUE(first) << "cannot read the preview's animation out of the saver";
    ASSERT_EQ(preview, first->window) << "what was read is not the preview's window object";
    const std::set<std::int32_t> reachable = ReachableX(kSpeed, kHostWidth);
    std::set<std::int32_t> seenX;
    std::optional<LiveAnimation> latest = first;
    const bool ticked = WaitFor([&] {
        latest = ReadLiveAnimation(saver.Handle(), preview, layout);
        if (!latest)
            return true;
        seenX.insert(latest->x);
        EXPECT_EQ(-7, latest->y);
        EXPECT_EQ(1u, reachable.count(latest->x)) << "x = " << latest->x << " is off the sprite's path";
        return latest->frameCounter >= first->frameCounter + 8;
    });
    ASSERT_TRUE(latest) << "the preview's animation could no longer be read";
    EXPECT_TRUE(ticked) << "the counter went from " << first->frameCounter << " only to " << latest->frameCounter;
    EXPECT_GE(seenX.size(), 4u) << "the sprite hardly moved";
    EXPECT_FALSE(showedTopLevelWindow);

    // The host closes its monitor: the saver ends with it, at once and cleanly.
    const auto destroyed = std::chrono::steady_clock::now();
    host.Destroy();
    const bool ended = saver.WaitForExit(1000ms);
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - destroyed);
    std::printf("preview ended %lld ms after the host destroyed its window\n", static_cast<long long>(took.count()));
    ASSERT_TRUE(ended) << "the saver still runs 1 s after its host window is gone";
    EXPECT_EQ(0u, saver.ExitCode());
}

INSTANTIATE_TEST_SUITE_P(Spellings, PreviewInHost,
                         ::testing::Values(Spelling{L"/p ", "SlashP"}, Spelling{L"-P ", "DashCapitalP"},
                                           Spelling{L"/preview ", "SlashPreview"}),
                         [](const ::testing::TestParamInfo<Spelling>& info) { return std::string(info.param.name); });

// ---- Command lines that must end at once, showing nothing --------------------------------------------

struct QuietCase {
    const wchar_t* arguments;
    const char* name;
    std::uintptr_t handleGiven;  // the handle on the command line, which must name no window
};

void PrintTo(const QuietCase& quiet, std::ostream* out) { *out << quiet.name; }

class EndsAtOnce : public ::testing::TestWithParam<QuietCase> {};

TEST_P(EndsAtOnce, WithExitCodeZeroAndNoWindow)
{
    ASSERT_FALSE(::IsWindow(reinterpret_cast<HWND>(GetParam().handleGiven)));
    ChildProcess saver(testing_support::SaverPath(), GetParam().arguments);
    ASSERT_TRUE(saver.Started());
    std::size_t windowsSeen = 0;
    const auto started = std::chrono::steady_clock::now();
    const bool ended = WaitFor(
        [&] {
            windowsSeen += saver.TopLevelWindows().size();
            return ::WaitForSingleObject(saver.Handle(), 0) == WAIT_OBJECT_0;
        },
        10s);
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
    std::printf("ended after %lld ms\n", static_cast<long long>(took.count()));
    ASSERT_TRUE(ended) << "still running after 10 s";
    EXPECT_EQ(0u, saver.ExitCode());
    EXPECT_EQ(0u, windowsSeen) << "the saver made a top-level window";
}

INSTANTIATE_TEST_SUITE_P(CommandLines, EndsAtOnce,
                         ::testing::Values(QuietCase{L"/p", "PreviewWithoutHandle", 0},
                                           QuietCase{L"/p 0", "PreviewOfHandleZero", 0},
                                           QuietCase{L"/p 12345", "PreviewOfNoWindow", 12345},
                                           QuietCase{L"/p abc", "PreviewOfText", 0},
                                           QuietCase{L"/x", "UnknownOption", 0},
                                           QuietCase{L"//s", "DoubledSlash", 0},
                                           QuietCase{L"\"\"", "EmptyArgument", 0}),
                         [](const ::testing::TestParamInfo<QuietCase>& info) { return std::string(info.param.name); });

}  // namespace
