// Whatever the profile holds - a value of the wrong type or size, nothing, zero, negative values,
// the ends of the int range, values past the bar's end - every reader behaves as defined:
//   an animation window runs at the stored value, 1 when there is none, 10 when it is negative;
//   the settings dialog takes it as read (5 when there is none), the bar shows it within 1..100,
//   OK stores the bar's position and Cancel stores nothing, leaving even a value of the wrong
//   type as it was;
// and the motion stays inside the window with every frame whole, for every one of those speeds.
#include "AnimationWndProbe.h"
#include "FrameModel.h"
#include "HostWindow.h"
#include "TestSupport.h"

#include "animation/AnimationWnd.h"
#include "app/ScreenSaverApp.h"
#include "framework/WinApp.h"
#include "framework/Wnd.h"
#include "resources/resource.h"
#include "settings/SettingsDlg.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;
using testing_support::WaitFor;

// ---- What can be stored ------------------------------------------------------------------------

struct StoredValue {
    const char* name;
    DWORD type;                // REG_NONE here: no value at all
    std::vector<BYTE> bytes;
    std::int32_t animationSpeed;  // what an animation window runs at
    std::int32_t dialogValue;     // what the settings dialog takes
    std::int32_t storedOnOk;      // what OK stores, untouched
};

std::vector<BYTE> DwordBytes(std::int32_t value)
{
    std::vector<BYTE> bytes(4);
    std::memcpy(bytes.data(), &value, 4);
    return bytes;
}

std::vector<BYTE> StringBytes(const wchar_t* text)
{
    const auto* begin = reinterpret_cast<const BYTE*>(text);
    return std::vector<BYTE>(begin, begin + (std::wcslen(text) + 1) * sizeof(wchar_t));
}

const StoredValue kStoredValues[] = {
    {"Nothing", REG_NONE, {}, 1, 5, 5},
    {"StringSeven", REG_SZ, StringBytes(L"7"), 1, 5, 5},
    {"BinarySeven", REG_BINARY, DwordBytes(7), 1, 5, 5},
    {"QwordSeven", REG_QWORD, {7, 0, 0, 0, 0, 0, 0, 0}, 1, 5, 5},
    {"TwoByteDwordSeven", REG_DWORD, {7, 0}, 1, 5, 5},
    {"BigEndianDwordSeven", REG_DWORD_BIG_ENDIAN, {0, 0, 0, 7}, 1, 5, 5},
    {"Zero", REG_DWORD, DwordBytes(0), 0, 0, 1},
    {"MinusFive", REG_DWORD, DwordBytes(-5), 10, -5, 1},
    {"IntMin", REG_DWORD, DwordBytes(INT_MIN), 10, INT_MIN, 1},
    {"IntMax", REG_DWORD, DwordBytes(INT_MAX), INT_MAX, INT_MAX, 100},
    {"Fifty", REG_DWORD, DwordBytes(50), 50, 50, 50},
    {"OneHundredAndOne", REG_DWORD, DwordBytes(101), 101, 101, 100},
    {"OneThousand", REG_DWORD, DwordBytes(1000), 1000, 1000, 100},
};

std::wstring ConfigKey(const std::wstring& appName)
{
    return L"Software\\Tarnwick Inc.\\" + appName + L"\\Config";
}

void Store(const std::wstring& appName, const StoredValue& value)
{
    testing_support::DeleteStoredSpeed(appName);
    if (value.type != REG_NONE)
        testing_support::StoreSpeedRaw(appName, value.type, value.bytes.data(), static_cast<DWORD>(value.bytes.size()));
}

// The value exactly as stored: type and bytes; REG_NONE and no bytes when there is none.
struct RawValue {
    DWORD type = REG_NONE;
    std::vector<BYTE> bytes;
    bool operator==(const RawValue& other) const { return type == other.type && bytes == other.bytes; }
};

RawValue ReadRaw(const std::wstring& appName)
{
    RawValue raw;
    DWORD size = 0;
    if (::RegGetValueW(HKEY_CURRENT_USER, ConfigKey(appName).c_str(), L"Speed", RRF_RT_ANY | RRF_NOEXPAND, &raw.type,
                       nullptr, &size) != ERROR_SUCCESS)
        return RawValue{};
    raw.bytes.resize(size);
    ::RegGetValueW(HKEY_CURRENT_USER, ConfigKey(appName).c_str(), L"Speed", RRF_RT_ANY | RRF_NOEXPAND, &raw.type,
                   raw.bytes.data(), &size);
    raw.bytes.resize(size);
    return raw;
}

std::string Describe(const RawValue& raw)
{
    std::string text = "type " + std::to_string(raw.type) + ", bytes";
    for (const BYTE b : raw.bytes)
        text += " " + std::to_string(b);
    return text;
}

std::string ValueName(const ::testing::TestParamInfo<StoredValue>& info)
{
    return info.param.name;
}

void PrintTo(const StoredValue& value, std::ostream* out)
{
    *out << value.name;
}

// ---- Animation windows in this process ---------------------------------------------------------

class StoredSpeed : public ::testing::TestWithParam<StoredValue> {};

TEST_P(StoredSpeed, AnimationWindowsRunAtItAndEveryFrameIsWholeAndInside)
{
    const StoredValue& stored = GetParam();
    framework::CWinApp app(L"BrimstarStoredSpeedTest");
    app.SetRegistryKey(L"Tarnwick Inc.");
    Store(app.AppName(), stored);

    std::string error;
    const std::optional<frame_model::Artwork> artwork = frame_model::LoadArtwork(::GetModuleHandleW(nullptr), error);
    ASSERT_TRUE(artwork) << error;

    // The animation sits inside a white host with a 20-pixel margin on every side.
    constexpr int kMargin = 20;
    constexpr int kWidth = 400;
    constexpr int kHeight = 300;
    testing_support::HostWindow host(kWidth + 2 * kMargin, kHeight + 2 * kMargin,
                                     testing_support::HostBackground::White);
    ASSERT_NE(host.Handle(), nullptr);
    framework::CWnd* parent = framework::CWnd::FromHandle(host.Handle());

    // The program's own preview reads the setting the same way.
    if (CAnimationWnd* preview = StartPreview(parent)) {
        EXPECT_EQ(AnimationWndProbe::Speed(*preview), stored.animationSpeed) << "the preview";
        ::DestroyWindow(preview->m_hWnd);
    } else {
        ADD_FAILURE() << "no preview";
    }

    CAnimationWnd animation(FALSE);
    const RECT place{kMargin, kMargin, kMargin + kWidth, kMargin + kHeight};
    ASSERT_TRUE(animation.Create(0, WS_CHILD | WS_VISIBLE, place, parent, 0, nullptr));
    ASSERT_EQ(AnimationWndProbe::Speed(animation), stored.animationSpeed);
    ::UpdateWindow(host.Handle());  // the host's white, and the animation's first paint

    frame_model::State path;
    path.counter = AnimationWndProbe::FrameCounter(animation);
    path.speed = stored.animationSpeed;
    constexpr int kTicks = 600;
    const std::vector<int> checkedTicks{1, 2, 3, 4, 5, 77, 128, 301, kTicks};
    int framesChecked = 0;
    for (int tick = 1; tick <= kTicks; ++tick) {
        ::SendMessageW(animation.m_hWnd, WM_TIMER, CAnimationWnd::kTimerId, 0);
        const int background = frame_model::Tick(path, kWidth, kHeight);
        ASSERT_EQ(AnimationWndProbe::X(animation), path.x) << "tick " << tick;
        ASSERT_EQ(AnimationWndProbe::Y(animation), path.y) << "tick " << tick;
        ASSERT_EQ(AnimationWndProbe::FrameCounter(animation), path.counter) << "tick " << tick;
        // On its path the sprite never starts left of -188, right of the edge, or off its rows.
        ASSERT_GE(path.x, -188);
        ASSERT_LT(path.x, kWidth);
        ASSERT_GE(path.y, -7);
        ASSERT_LT(path.y, kHeight);

        if (std::find(checkedTicks.begin(), checkedTicks.end(), tick) == checkedTicks.end())
            continue;
        int width = 0;
        int height = 0;
        const std::vector<COLORREF> shown = testing_support::CaptureClient(animation.m_hWnd, width, height);
        const frame_model::Image expected =
            frame_model::Compose(*artwork, kWidth, kHeight, background,
                                 POINT{path.x, path.y});
        ASSERT_EQ(width, kWidth);
        ASSERT_EQ(height, kHeight);
        EXPECT_TRUE(shown == expected.pixels) << "tick " << tick << ": the frame differs from the model";
        ++framesChecked;

        const std::vector<COLORREF> around = testing_support::CaptureClient(host.Handle(), width, height);
        int drawnOutside = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const bool inside = x >= place.left && x < place.right && y >= place.top && y < place.bottom;
                if (!inside && around[static_cast<std::size_t>(y) * width + x] != 0xFFFFFF)
                    ++drawnOutside;
            }
        EXPECT_EQ(drawnOutside, 0) << "tick " << tick << ": pixels drawn outside the animation window";
    }
    EXPECT_EQ(framesChecked, static_cast<int>(checkedTicks.size()));
    testing_support::DeleteStoredSpeed(app.AppName());
}

// ---- The settings dialog in this process -------------------------------------------------------

HWND VisibleDialogOfThisThread()
{
    HWND found = nullptr;
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND hWnd, LPARAM result) -> BOOL {
            wchar_t className[16] = {};
            ::GetClassNameW(hWnd, className, 16);
            if (::IsWindowVisible(hWnd) && std::wstring(className) == L"#32770") {
                *reinterpret_cast<HWND*>(result) = hWnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

// Runs once from inside the dialog's modal loop, as soon as the dialog shows; a dialog that
// never shows, or an action that does not end it, is ended after the deadline and fails.
class WhenTheDialogShows {
public:
    explicit WhenTheDialogShows(std::function<void(HWND)> action) : m_action(std::move(action)) {}

    template <class RunModal>
    void During(RunModal runModal)
    {
        t_current = this;
        m_started = std::chrono::steady_clock::now();
        const UINT_PTR timer = ::SetTimer(nullptr, 0, 10, &WhenTheDialogShows::OnTimer);
        runModal();
        ::KillTimer(nullptr, timer);
        t_current = nullptr;
        EXPECT_TRUE(m_acted) << "the dialog never showed";
    }

private:
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD)
    {
        if (t_current)
            t_current->Tick();
    }

    void Tick()
    {
        const HWND dialog = VisibleDialogOfThisThread();
        if (std::chrono::steady_clock::now() - m_started > 20s) {
            if (dialog) {
                ADD_FAILURE() << "the dialog did not end";
                ::EndDialog(dialog, IDABORT);
            }
            return;
        }
        if (!dialog || m_acted)
            return;
        m_acted = true;
        m_action(dialog);
    }

    static inline WhenTheDialogShows* t_current = nullptr;
    std::function<void(HWND)> m_action;
    std::chrono::steady_clock::time_point m_started;
    bool m_acted = false;
};

int BarPosition(HWND dialog)
{
    return static_cast<int>(::SendMessageW(::GetDlgItem(dialog, IDC_SPEED), SBM_GETPOS, 0, 0));
}

int OnTheBar(std::int32_t value)
{
    return value < 1 ? 1 : value > 100 ? 100 : value;
}

TEST_P(StoredSpeed, SettingsDialogTakesItAsReadOkStoresTheBarAndCancelNothing)
{
    const StoredValue& stored = GetParam();
    CScreenSaverApp app;  // named after this test program
    app.SetRegistryKey(kCompanyKey);

    for (const int button : {IDCANCEL, IDOK}) {
        Store(app.AppName(), stored);
        const RawValue before = ReadRaw(app.AppName());
        int dialogValue = 0;
        int previewSpeed = 0;
        int bar = 0;
        WhenTheDialogShows script([&](HWND dialog) {
            const auto* settings = static_cast<CSettingsDlg*>(app.m_pMainWnd);
            dialogValue = settings->m_speed;
            previewSpeed = AnimationWndProbe::Speed(settings->m_preview);
            bar = BarPosition(dialog);
            ::SendMessageW(::GetDlgItem(dialog, button), BM_CLICK, 0, 0);
        });
        script.During([&] { app.RunSettingsDialog(); });

        const char* which = button == IDOK ? "OK" : "Cancel";
        EXPECT_EQ(dialogValue, stored.dialogValue) << which;
        EXPECT_EQ(previewSpeed, stored.dialogValue) << which << ": the preview runs at the value as read";
        EXPECT_EQ(bar, OnTheBar(stored.dialogValue)) << which;
        if (button == IDCANCEL) {
            EXPECT_TRUE(ReadRaw(app.AppName()) == before)
                << "Cancel changed the stored value from " << Describe(before) << " to " << Describe(ReadRaw(app.AppName()));
        } else {
            DWORD value = 0;
            ASSERT_TRUE(testing_support::ReadStoredSpeed(app.AppName(), value)) << "OK stored no REG_DWORD";
            EXPECT_EQ(static_cast<std::int32_t>(value), stored.storedOnOk);
        }
    }
    testing_support::DeleteStoredSpeed(app.AppName());
}

// ---- The real program --------------------------------------------------------------------------

TEST_P(StoredSpeed, RealSettingsOkStoresTheBarAndCancelNothing)
{
    const StoredValue& stored = GetParam();
    const testing_support::PrivateSaver saver(L"BrimstarStored" + std::wstring(stored.name, stored.name + std::strlen(stored.name)));
    const std::wstring& appName = saver.Copy().appName;

    for (const int button : {IDCANCEL, IDOK}) {
        Store(appName, stored);
        const RawValue before = ReadRaw(appName);
        testing_support::ChildProcess process(saver.Copy().path, L"");
        ASSERT_TRUE(process.Started());
        const HWND dialog = testing_support::WaitForDialog(process);
        ASSERT_NE(dialog, nullptr) << "no settings dialog";
        EXPECT_EQ(BarPosition(dialog), OnTheBar(stored.dialogValue));
        ::SendMessageW(::GetDlgItem(dialog, button), BM_CLICK, 0, 0);
        ASSERT_TRUE(process.WaitForExit(10s)) << "the settings did not end";
        EXPECT_EQ(process.ExitCode(), 0u);
        if (button == IDCANCEL) {
            EXPECT_TRUE(ReadRaw(appName) == before)
                << "Cancel changed the stored value from " << Describe(before) << " to " << Describe(ReadRaw(appName));
        } else {
            DWORD value = 0;
            ASSERT_TRUE(testing_support::ReadStoredSpeed(appName, value)) << "OK stored no REG_DWORD";
            EXPECT_EQ(static_cast<std::int32_t>(value), stored.storedOnOk);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Values, StoredSpeed, ::testing::ValuesIn(kStoredValues), ValueName);

// ---- Whose setting it is -----------------------------------------------------------------------

// The system starts a saver through the short form of its path, Explorer's Configure through the
// long one: both name the same profile, also for a path that even in short form is beyond MAX_PATH.
TEST(ApplicationName, IsTheFilesLongNameWhicheverFormOfItsPathIsGiven)
{
    wchar_t temp[MAX_PATH] = {};
    ASSERT_NE(0u, ::GetTempPathW(MAX_PATH, temp));
    std::vector<std::wstring> folders{std::wstring(L"\\\\?\\") + temp + L"Brimstar name test"};
    while (folders.size() < 32)
        folders.push_back(folders.back() + L"\\Folder with a long name");
    for (const std::wstring& folder : folders)
        ::CreateDirectoryW(folder.c_str(), nullptr);
    for (const auto& [path, name] : {std::pair(folders.front() + L"\\Brimstar (1).scr", L"Brimstar (1)"),
                                     std::pair(folders.front() + L"\\BRIMSTAR.SCR", L"BRIMSTAR"),
                                     std::pair(folders.front() + L"\\Brimstar 1.2.scr", L"Brimstar 1.2"),
                                     std::pair(folders.back() + L"\\Brimstar (1).scr", L"Brimstar (1)")}) {
        ::CloseHandle(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        wchar_t shortPath[2048] = {};
        ASSERT_NE(0u, ::GetShortPathNameW(path.c_str(), shortPath, 2048));
        const std::wstring started = shortPath + 4;  // a process is given its path without the \\?\ prefix
        ASSERT_NE(started, path.substr(4)) << "no short form";
        EXPECT_EQ(framework::ApplicationNameFromModulePath(started), name) << started.size() << " characters";
        EXPECT_EQ(framework::ApplicationNameFromModulePath(path.substr(4)), name);
        ::DeleteFileW(path.c_str());
    }
    for (auto folder = folders.rbegin(); folder != folders.rend(); ++folder)
        ::RemoveDirectoryW(folder->c_str());
}

}  // namespace
