// The real BRIMSTAR.SCR started the way a host starts its preview: "/p <decimal window handle>".
//
// The preview is checked by what a host can see of it - its window's place, style and lifetime -
// and its ticks by reading the running animation's own counter and position out of the saver's
// memory. Its pixels are read from the screen, over the host's client area, and compared with the
// frame model wherever the system shows a child window drawn by another process: Wine 10 does,
// Wine 8 shows the host's own background there, and that test is skipped. (AnimationFrameTest
// checks the same drawing with host and animation in one process, which every Wine shows.)
#include "AnimationWndProbe.h"
#include "FrameModel.h"
#include "HostWindow.h"
#include "TestSupport.h"

#include "animation/AnimationWnd.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace std::chrono_literals;
using testing_support::ChildOfProcess;
using testing_support::ChildProcess;
using testing_support::HostBackground;
using testing_support::HostWindow;
using testing_support::PrivateSaver;
using testing_support::ReadPixels;
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

// ---- A host of another DPI awareness than the saver's ------------------------------------------------

// The preview joins its host's awareness and draws at the scale that gives: 96 when unaware, the
// system's when system aware. Host and preview are both in this process, so that the frames can be
// read. (Wine gives a child its parent's awareness in any case, but sizes it in the pixels of the
// awareness it is made in: at another scale, a preview made in the saver's own misses the host.)
TEST(PreviewInAHostOfAnotherAwareness, JoinsItAndDrawsAtTheScaleItGives)
{
    std::string error;
    const std::optional<frame_model::Artwork> stored = frame_model::LoadArtwork(::GetModuleHandleW(nullptr), error);
    ASSERT_TRUE(stored) << error;
    const DPI_AWARENESS_CONTEXT own = ::GetThreadDpiAwarenessContext();
    for (const auto& [awareness, dpi] : {std::pair{DPI_AWARENESS_CONTEXT_UNAWARE, 96u},
                                         {DPI_AWARENESS_CONTEXT_SYSTEM_AWARE, ::GetDpiForSystem()}}) {
        SCOPED_TRACE("a host whose windows are at " + std::to_string(dpi) + " DPI");
        HostWindow host(40, 40, kHostWidth, kHostHeight, HostBackground::None, nullptr, awareness);
        CAnimationWnd* preview = StartPreview(&host.AsParent());
        ASSERT_NE(nullptr, preview);
        ::KillTimer(preview->m_hWnd, CAnimationWnd::kTimerId);  // only the test's messages tick it
        EXPECT_TRUE(::AreDpiAwarenessContextsEqual(awareness, ::GetWindowDpiAwarenessContext(preview->m_hWnd)));
        EXPECT_TRUE(::AreDpiAwarenessContextsEqual(own, ::GetThreadDpiAwarenessContext())) << "the saver's own is gone";
        const frame_model::Artwork artwork = dpi == 96 ? *stored : frame_model::AtScale(*stored, dpi);
        frame_model::State model;  // at speed 1, read without a profile
        for (int tick = 1; tick <= 4; ++tick) {
            const int frame = frame_model::Tick(model, kHostWidth, kHostHeight, dpi);
            ::SendMessageW(preview->m_hWnd, WM_TIMER, CAnimationWnd::kTimerId, 0);
            frame_model::Image drawn;
            const HBITMAP buffer = AnimationWndProbe::BackBuffer(*preview);
            drawn.pixels = ReadPixels(framework::CClientDC(nullptr).m_hDC, buffer, drawn.width, drawn.height);
            ASSERT_TRUE(frame_model::Compose(artwork, kHostWidth, kHostHeight, frame, POINT{model.x, model.y}).pixels ==
                        drawn.pixels)
                << "tick " << tick << ": a " << drawn.width << " x " << drawn.height << " picture, not the model's "
                << kHostWidth << " x " << kHostHeight << " frame at " << dpi << " DPI";
        }
    }
}

// ---- The preview on the screen, as the host's user sees it -------------------------------------------

// Whether the system shows a child window that another process draws is asked of the system
// itself: this program, started again as a helper, fills a child of a host of ours with one plain
// colour, and the host's area is read from the screen. The helper's colour is in no frame.
constexpr wchar_t kProbeHostVariable[] = L"BRIMSTAR_PREVIEW_PROBE_HOST";
constexpr COLORREF kProbeBrush = RGB(0x21, 0xA5, 0x5C);
constexpr COLORREF kProbeOnScreen = 0x21A55C;  // the same colour as the screen is read, 0x00RRGGBB
constexpr COLORREF kBlackOnScreen = 0x000000;

std::wstring ProbePaintedEventName(HWND host)
{
    return L"BrimstarPreviewProbePainted" + Decimal(host);
}

HANDLE g_probePainted = nullptr;  // in the helper: set once its window's paint has been flushed

LRESULT CALLBACK ProbeWindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint{};
        HDC dc = ::BeginPaint(hWnd, &paint);
        RECT client{};
        ::GetClientRect(hWnd, &client);
        HBRUSH brush = ::CreateSolidBrush(kProbeBrush);
        ::FillRect(dc, &client, brush);
        ::DeleteObject(brush);
        ::EndPaint(hWnd, &paint);
        ::GdiFlush();
        ::SetEvent(g_probePainted);
        return 0;
    }
    case WM_DESTROY:
        ::PostQuitMessage(0);
        return 0;
    default:
        return ::DefWindowProcW(hWnd, message, wParam, lParam);
    }
}

// The helper's whole life, before any test starts: when its environment names a host window, a
// child filling that host's client area, painted in the probe's colour, until the host takes it
// down. Exit code 0 then; 1 if it could not make its window.
[[maybe_unused]] const bool g_ranAsProbe = [] {
    wchar_t text[32] = {};
    if (!::GetEnvironmentVariableW(kProbeHostVariable, text, 32))
        return false;
    const HWND host = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(std::wcstoull(text, nullptr, 10)));
    g_probePainted = ::OpenEventW(EVENT_MODIFY_STATE, FALSE, ProbePaintedEventName(host).c_str());
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = ProbeWindowProc;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"BrimstarPreviewProbe";
    RECT area{};
    ::GetClientRect(host, &area);
    if (!g_probePainted || !::RegisterClassExW(&windowClass) ||
        !::CreateWindowExW(0, windowClass.lpszClassName, L"", WS_CHILD | WS_VISIBLE, 0, 0, area.right, area.bottom,
                           host, nullptr, windowClass.hInstance, nullptr))
        ::ExitProcess(1);
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0)
        ::DispatchMessageW(&msg);
    ::ExitProcess(0);
}();

// The host's client area as the screen shows it, 0x00RRGGBB, top row first.
std::vector<COLORREF> ShownOnScreen(HWND host)
{
    RECT area{};
    ::GetClientRect(host, &area);
    ::MapWindowPoints(host, nullptr, reinterpret_cast<POINT*>(&area), 2);
    int width = 0;
    int height = 0;
    return testing_support::CaptureScreenArea(area, width, height);
}

std::size_t CountOf(const std::vector<COLORREF>& pixels, COLORREF colour)
{
    return static_cast<std::size_t>(std::count(pixels.begin(), pixels.end(), colour));
}

// A black host of the preview's size and place, painted and seen on the screen.
::testing::AssertionResult ShowsBlack(const HostWindow& host)
{
    if (!host.Handle())
        return ::testing::AssertionFailure() << "no host window";
    std::vector<COLORREF> seen;
    if (WaitFor([&] {
            seen = ShownOnScreen(host.Handle());
            return !seen.empty() && CountOf(seen, kBlackOnScreen) == seen.size();
        }))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "the host's own black never showed on the screen ("
                                         << CountOf(seen, kBlackOnScreen) << " of " << seen.size()
                                         << " pixels black)";
}

enum class Sight { Shown, NotShown };

struct ProbeOutcome {
    std::optional<Sight> sight;  // none: the probe could not tell
    std::string detail;
};

// Does a child window painted by another process show on the screen? Shown: its colour covers
// the host's area. Not shown: the helper painted, its window is there, visible and covering the
// host, and the area stays the host's black. Anything else cannot tell.
ProbeOutcome ProbeChildOfAnotherProcess()
{
    // Wine 10 shows the helper's paint within some 100 ms of its start; a wide margin for a busy machine.
    constexpr auto kShowDeadline = 3s;
    HostWindow host(40, 40, kHostWidth, kHostHeight, HostBackground::Black);
    if (const ::testing::AssertionResult black = ShowsBlack(host); !black)
        return {std::nullopt, black.message()};
    const HANDLE painted = ::CreateEventW(nullptr, TRUE, FALSE, ProbePaintedEventName(host.Handle()).c_str());
    if (!painted)
        return {std::nullopt, "no event for the helper"};
    ::SetEnvironmentVariableW(kProbeHostVariable, Decimal(host.Handle()).c_str());
    ChildProcess helper(testing_support::ThisTestProgram(), L"");
    ::SetEnvironmentVariableW(kProbeHostVariable, nullptr);

    ProbeOutcome outcome;
    const auto startedAt = std::chrono::steady_clock::now();
    HWND child = nullptr;
    std::vector<COLORREF> seen;
    if (!helper.Started()) {
        outcome.detail = "the helper did not start, error " + std::to_string(helper.StartError());
    } else if (!WaitFor([&] { return ::WaitForSingleObject(painted, 0) == WAIT_OBJECT_0; })) {
        outcome.detail = "the helper never painted its window";
    } else if (!(child = ChildOfProcess(host.Handle(), helper.Id())) || !::IsWindowVisible(child) ||
               testing_support::ClientSize(child).cx != kHostWidth ||
               testing_support::ClientSize(child).cy != kHostHeight) {
        outcome.detail = "the helper's window is not a visible child covering the host";
    } else if (WaitFor(
                   [&] {
                       seen = ShownOnScreen(host.Handle());
                       return CountOf(seen, kProbeOnScreen) == seen.size();
                   },
                   kShowDeadline)) {
        const auto took =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - startedAt);
        outcome = {Sight::Shown, "a child window painted by another process showed on the screen " +
                                     std::to_string(took.count()) + " ms after that process started"};
    } else if (CountOf(seen, kBlackOnScreen) == seen.size()) {
        outcome = {Sight::NotShown, "a child window painted by another process did not show on the screen in " +
                                        std::to_string(std::chrono::milliseconds(kShowDeadline).count()) +
                                        " ms: the host's black stayed"};
    } else {
        outcome.detail = "of the host's " + std::to_string(seen.size()) + " pixels, " +
                         std::to_string(CountOf(seen, kProbeOnScreen)) + " showed the helper's colour and " +
                         std::to_string(CountOf(seen, kBlackOnScreen)) + " the host's black";
    }
    ::CloseHandle(painted);
    host.Destroy();
    helper.WaitForExit(10s);  // ended by force after that
    return outcome;
}

// What a screen shot of the preview shows: a background frame and what shows of the emblem.
struct Shown {
    int frame;
    int emblem;  // PreviewPictures' number for the emblem's place, kNoEmblem when none of it shows

    bool operator==(const Shown& other) const { return frame == other.frame && emblem == other.emblem; }
};

// Every picture a preview of the host's size can show at one speed, from the frame model, and
// which one each tick shows.
class PreviewPictures {
public:
    static constexpr int kNoEmblem = 0;

    PreviewPictures(const frame_model::Artwork& artwork, std::int32_t speed, int ticks)
    {
        m_places.push_back(std::nullopt);
        AddPictures(artwork, std::nullopt);
        const std::vector<COLORREF> bare = m_pictures[0].pixels;
        std::map<std::pair<std::int32_t, std::int32_t>, int> emblemAt;
        frame_model::State state;
        state.speed = speed;
        m_emblemAfterTick.push_back(kNoEmblem);  // before the first tick only a paint, without the emblem
        for (int tick = 1; tick <= ticks; ++tick) {
            frame_model::Tick(state, kHostWidth, kHostHeight);
            const auto [known, added] = emblemAt.try_emplace({state.x, state.y}, kNoEmblem);
            const POINT place{state.x, state.y};
            if (added && frame_model::Compose(artwork, kHostWidth, kHostHeight, 0, place).pixels != bare) {
                known->second = static_cast<int>(m_places.size());
                m_places.push_back(place);
                AddPictures(artwork, place);
            }
            m_emblemAfterTick.push_back(known->second);
        }
    }

    int Ticks() const { return static_cast<int>(m_emblemAfterTick.size()) - 1; }
    int EmblemAfterTick(int tick) const { return m_emblemAfterTick[tick]; }
    std::vector<int> TicksShowing(int emblem) const
    {
        std::vector<int> ticks;
        for (int tick = 0; tick <= Ticks(); ++tick)
            if (m_emblemAfterTick[tick] == emblem)
                ticks.push_back(tick);
        return ticks;
    }
    const std::optional<POINT>& Place(int emblem) const { return m_places[emblem]; }

    std::optional<Shown> Identify(const std::vector<COLORREF>& shot) const
    {
        for (std::size_t i = 0; i < m_pictures.size(); ++i)
            if (m_pictures[i].pixels == shot)
                return Shown{static_cast<int>(i % frame_model::kFrameCount),
                             static_cast<int>(i / frame_model::kFrameCount)};
        return std::nullopt;
    }

    // For a shot that is none of the pictures: how close the nearest one comes.
    std::size_t FewestDiffering(const std::vector<COLORREF>& shot) const
    {
        std::size_t fewest = shot.size();
        for (const frame_model::Image& picture : m_pictures)
            if (picture.pixels.size() == shot.size()) {
                std::size_t differing = 0;
                for (std::size_t i = 0; i < shot.size(); ++i)
                    differing += picture.pixels[i] != shot[i];
                fewest = std::min(fewest, differing);
            }
        return fewest;
    }

private:
    void AddPictures(const frame_model::Artwork& artwork, std::optional<POINT> place)
    {
        for (int frame = 0; frame < frame_model::kFrameCount; ++frame)
            m_pictures.push_back(frame_model::Compose(artwork, kHostWidth, kHostHeight, frame, place));
    }

    std::vector<std::optional<POINT>> m_places;  // by emblem number
    std::vector<frame_model::Image> m_pictures;  // by emblem number x 4 + frame
    std::vector<int> m_emblemAfterTick;          // by tick, from 0
};

std::string Describe(const PreviewPictures& pictures, const Shown& shown)
{
    const std::optional<POINT>& place = pictures.Place(shown.emblem);
    return "frame " + std::to_string(shown.frame) + ", emblem " +
           (place ? "at (" + std::to_string(place->x) + ", " + std::to_string(place->y) + ")" : "not shown");
}

TEST(PreviewOnTheHostsScreen, ShowsWholeFramesMovingAtTheStoredSpeed)
{
    const std::optional<std::string> wine = testing_support::WineVersion();
    const ProbeOutcome probe = ProbeChildOfAnotherProcess();
    std::printf("[preview] %s: %s\n", wine ? ("Wine " + *wine).c_str() : "Windows", probe.detail.c_str());
    ASSERT_TRUE(probe.sight) << "cannot tell whether this system shows a child window of another process: "
                             << probe.detail;
    if (*probe.sight == Sight::NotShown) {
        // Only a Wine before 10 is known not to show one. Elsewhere the probe's failure is a fault
        // of the system or of this test, and a skip would hide it.
        ASSERT_TRUE(wine && std::atoi(wine->c_str()) < 10)
            << "this system was expected to show a child window drawn by another process";
        GTEST_SKIP() << "Wine " << *wine << " does not show a child window drawn by another process ("
                     << probe.detail << "), so the preview cannot be seen from the host's side";
    }

    std::string error;
    const std::optional<frame_model::Artwork> artwork = frame_model::LoadArtwork(::GetModuleHandleW(nullptr), error);
    ASSERT_TRUE(artwork) << error;
    constexpr DWORD kSpeed = 13;
    // Far more ticks than the test can last (8 a second): every tick's picture is among these.
    const PreviewPictures pictures(*artwork, kSpeed, 4000);

    const PrivateSaver saverFile(L"BrimstarPreviewOnScreen", kSpeed);
    HostWindow host(40, 40, kHostWidth, kHostHeight, HostBackground::Black);
    ASSERT_TRUE(ShowsBlack(host));
    ChildProcess saver(saverFile.Path(), L"/p " + Decimal(host.Handle()));
    ASSERT_TRUE(saver.Started());

    // Shots are taken as fast as they come, unrelated to the saver's ticks. Until the preview
    // first shows a whole frame of the model the host may show anything (its black, a first paint
    // half done); from then on every shot must be a whole frame, and every new picture a later
    // tick's: the background frames in turn, the emblem as many steps of the stored speed further
    // along its path. Which tick a picture shows is known only up to the path's repeats, so every
    // tick that fits is followed. A busy machine may keep this test from looking for more than a
    // tick, so a picture may come up to three ticks after the last; most must come one after it.
    constexpr int kPicturesWanted = 24;   // three seconds of animation
    constexpr int kMostTicksBetween = 3;  // four would show the same background frame again
    int shots = 0;
    int shotsBefore = 0;
    std::vector<COLORREF> lastShotBefore;
    std::vector<Shown> seen;
    std::vector<int> ticks;  // every tick that can have shown the last picture seen
    int oneTickSteps = 0;
    std::string fault;
    const bool done = WaitFor(
        [&] {
            ++shots;
            const std::vector<COLORREF> shot = ShownOnScreen(host.Handle());
            const std::optional<Shown> shown = pictures.Identify(shot);
            if (seen.empty()) {
                if (shown) {
                    seen.push_back(*shown);
                    ticks = pictures.TicksShowing(shown->emblem);
                } else {
                    ++shotsBefore;
                    lastShotBefore = shot;
                }
                return false;
            }
            if (!shown) {
                fault = "a shot that is no whole frame of the model (the nearest " +
                        std::to_string(pictures.FewestDiffering(shot)) + " pixels off)";
                return true;
            }
            if (*shown == seen.back())
                return false;  // the same tick's picture again
            const int step = (shown->frame - seen.back().frame + frame_model::kFrameCount) % frame_model::kFrameCount;
            std::vector<int> next;
            if (step >= 1 && step <= kMostTicksBetween)
                for (const int tick : ticks)
                    if (tick + step <= pictures.Ticks() && pictures.EmblemAfterTick(tick + step) == shown->emblem)
                        next.push_back(tick + step);
            if (next.empty()) {
                fault = Describe(pictures, *shown) + " is no tick's picture within " +
                        std::to_string(kMostTicksBetween) + " ticks of the last one";
                return true;
            }
            ticks = std::move(next);
            oneTickSteps += step == 1;
            seen.push_back(*shown);
            return static_cast<int>(seen.size()) >= kPicturesWanted;
        },
        30s);

    std::string shown;
    std::set<int> emblems;
    for (const Shown& picture : seen) {
        shown += "\n  " + Describe(pictures, picture);
        if (picture.emblem != PreviewPictures::kNoEmblem)
            emblems.insert(picture.emblem);
    }
    std::printf("[preview] %d shots, %d before the first whole frame; %zu pictures, %d of %zu steps one tick:%s\n",
                shots, shotsBefore, seen.size(), oneTickSteps, seen.empty() ? 0 : seen.size() - 1, shown.c_str());
    ASSERT_FALSE(seen.empty()) << "in 30 s the host never showed a whole frame of the model (" << shots
                               << " shots, the last " << pictures.FewestDiffering(lastShotBefore)
                               << " pixels off the nearest)";
    ASSERT_TRUE(fault.empty()) << "after " << seen.size() << " pictures: " << fault << "; pictures so far:" << shown;
    ASSERT_TRUE(done) << "only " << seen.size() << " pictures in 30 s";
    EXPECT_GE(oneTickSteps, 2 * (kPicturesWanted - 1) / 3) << "too few pictures one tick after the last";
    EXPECT_GE(emblems.size(), static_cast<std::size_t>(kPicturesWanted) / 2) << "the emblem hardly showed";
}

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
