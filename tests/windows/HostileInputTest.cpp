// Hostile command lines and hostile hosts.
//
// Command lines: generated argument vectors go through the program's own parsing in this process
// and are compared with a reference written here; then a few hundred of them, the ones that must
// select nothing, start the real BRIMSTAR.SCR, which must end at once with exit code 0 and never
// make a window. Only vectors that the program's SelectMode sends to no mode, or to a preview
// without a live window, are started: settings and saver mode would wait for a person.
//
// Hosts: a host that destroys its window, two hosts and a settings dialog at the same time, and a
// host whose client area is empty.
#include "AnimationWndProbe.h"
#include "HostWindow.h"
#include "TestSupport.h"

#include "animation/AnimationWnd.h"
#include "app/CommandLine.h"
#include "framework/WinApp.h"
#include "framework/Wnd.h"
#include "tests/common/Random.h"
#include "tests/common/Show.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using testing_support::ChildOfProcess;
using testing_support::ChildProcess;
using testing_support::ClientSize;
using testing_support::HostBackground;
using testing_support::HostWindow;
using testing_support::PrivateSaver;
using testing_support::WaitFor;

// ---- A reproducible generator ------------------------------------------------------------------

using testing_common::Random;

const std::vector<std::string> kValidForms{"/c", "-C", "c", "/c:1234", "/config", "/p", "-P", "p",
                                           "/preview", "/s", "-S", "s", "/screen", "/S:0"};

// Text meant as a window handle: signs, blanks, leading zeros, numbers past 32 and 64 bits.
std::string HandleLike(Random& random)
{
    static const std::vector<std::string> edges{
        "0",          "-0",         "+0",          "-1",         "2147483647",  "2147483648",
        "-2147483648", "-2147483649", "4294967295", "4294967296", "-4294967295", "-4294967296",
        "9223372036854775807", "9223372036854775808", "-9223372036854775809", "18446744073709551615",
        "18446744073709551616", "340282366920938463463374607431768211456"};
    std::string text;
    if (random.OneIn(4))
        text += random.Pick(std::vector<std::string>{" ", "  ", "\t", " \t "});
    if (random.OneIn(2)) {
        text += random.Pick(edges);
    } else {
        if (random.OneIn(3))
            text += random.OneIn(2) ? "-" : "+";
        if (random.OneIn(5))
            text += std::string(random.Below(12), '0');
        text += random.Digits(1 + random.Below(30));
    }
    if (random.OneIn(5))
        text += random.Pick(std::vector<std::string>{"x", " 12", "abc", "\xff", "-", "+1", "0x10"});
    return text;
}

std::string AnyArgument(Random& random)
{
    switch (random.Below(6)) {
    case 0: return random.Bytes(random.Below(10));
    case 1: {  // a prefix of a valid form, empty included
        const std::string& form = random.Pick(kValidForms);
        return form.substr(0, random.Below(form.size() + 1));
    }
    case 2: return random.Pick(kValidForms) + random.Bytes(random.Below(4));
    case 3: return HandleLike(random);
    case 4: return random.Pick(std::vector<std::string>{"//", "--", "/-", "-/", " ", "\\", "+"}) +
                   random.Pick(kValidForms).substr(1);
    default: return random.Pick(kValidForms);
    }
}

// ---- The reference -----------------------------------------------------------------------------

// The handle through the C library's own number reader: strtoull reports anything past 64 bits as
// out of range, and the 32-bit limits are then plain comparisons.
std::optional<std::int32_t> ReferenceHandle(const std::string& text)
{
    const char* at = text.c_str();
    while (*at == ' ' || *at == '\t' || *at == '\n' || *at == '\v' || *at == '\f' || *at == '\r')
        ++at;
    bool negative = false;
    if (*at == '-' || *at == '+')
        negative = *at++ == '-';
    if (*at < '0' || *at > '9')
        return std::nullopt;  // strtoull would take its own sign and blanks here: not a number for us
    errno = 0;
    const unsigned long long magnitude = std::strtoull(at, nullptr, 10);
    if (errno == ERANGE || magnitude > (negative ? 0x80000000ull : 0xFFFFFFFFull))
        return std::nullopt;
    const std::uint32_t bits = static_cast<std::uint32_t>(negative ? 0ull - magnitude : magnitude);
    return static_cast<std::int32_t>(bits);
}

StartRequest ReferenceSelect(const std::vector<std::string>& arguments)
{
    if (arguments.empty())
        return {Mode::Settings, std::nullopt};
    const std::string& first = arguments[0];
    const std::size_t letterAt = (!first.empty() && (first[0] == '/' || first[0] == '-')) ? 1 : 0;
    switch (letterAt < first.size() ? first[letterAt] : '\0') {
    case 'c': case 'C': return {Mode::Settings, std::nullopt};
    case 'p': case 'P': return {Mode::Preview, arguments.size() > 1 ? ReferenceHandle(arguments[1]) : std::nullopt};
    case 's': case 'S': return {Mode::Saver, std::nullopt};
    default: return {Mode::None, std::nullopt};
    }
}

StartRequest Select(const std::vector<std::string>& arguments)
{
    std::vector<const char*> argv{"BRIMSTAR.SCR"};
    for (const auto& argument : arguments)
        argv.push_back(argument.c_str());
    argv.push_back(nullptr);
    return SelectMode(static_cast<int>(argv.size() - 1), argv.data());
}

using testing_common::Show;

std::string Show(const std::vector<std::string>& arguments)
{
    std::string shown;
    for (const auto& argument : arguments)
        shown += (shown.empty() ? "" : " ") + Show(argument);
    return "{" + shown + "}";
}

TEST(HostileCommandLine, GeneratedVectorsAgreeWithAReferenceInProcess)
{
    Random random(0x4057'11E0'0001ull);
    int tried = 0;
    int failed = 0;
    int longOnes = 0;
    for (int round = 0; round < 20000; ++round) {
        std::vector<std::string> arguments;
        for (std::size_t count = random.OneIn(25) ? 0 : 1 + random.Below(3); count > 0; --count)
            arguments.push_back(arguments.size() == 1 && random.OneIn(2) ? HandleLike(random) : AnyArgument(random));
        // Now and then one argument of 64 KiB: letters that match, digits past any limit, zeros
        // in front of a small number, or noise.
        if (!arguments.empty() && random.OneIn(100)) {
            constexpr std::size_t kLong = 64 * 1024;
            const std::vector<std::string> longOnesKinds{"/" + std::string(kLong, 'p'), std::string(kLong, '9'),
                                                         std::string(kLong - 2, '0') + "42", random.Bytes(kLong)};
            arguments[random.Below(arguments.size())] = random.Pick(longOnesKinds);
            ++longOnes;
        }
        const StartRequest actual = Select(arguments);
        const StartRequest expected = ReferenceSelect(arguments);
        ++tried;
        if (actual.mode != expected.mode || actual.parentHandle != expected.parentHandle) {
            if (++failed <= 10)
                ADD_FAILURE() << Show(arguments) << ": mode " << static_cast<int>(actual.mode) << " handle "
                              << (actual.parentHandle ? std::to_string(*actual.parentHandle) : "none")
                              << ", expected mode " << static_cast<int>(expected.mode) << " handle "
                              << (expected.parentHandle ? std::to_string(*expected.parentHandle) : "none");
        }
        // Each argument also as the first one, against each option letter.
        for (const auto& argument : arguments)
            for (const char* option : {"c", "p", "s"}) {
                ++tried;
                const bool expectedMatch = ReferenceSelect({argument}).mode ==
                                           ReferenceSelect({std::string("/") + option}).mode;
                if (MatchOption(argument.c_str(), option) != expectedMatch && ++failed <= 10)
                    ADD_FAILURE() << Show(argument) << " against option " << option;
            }
        if (arguments.size() > 1) {
            ++tried;
            if (ParseWindowHandle(arguments[1].c_str()) != ReferenceHandle(arguments[1]) && ++failed <= 10)
                ADD_FAILURE() << "handle text " << Show(arguments[1]);
        }
    }
    std::cout << "[hostile] in process: " << tried << " checks (" << longOnes << " with a 64 KiB argument), "
              << failed << " failed\n";
    EXPECT_EQ(failed, 0);
}

// ---- Real starts -------------------------------------------------------------------------------

// The arguments exactly as the saver's runtime will split them again (the usual rules: quotes
// around an argument with blanks or quotes, backslashes doubled before a quote).
std::wstring QuoteArgument(const std::wstring& argument)
{
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos)
        return argument;
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted.push_back(c);
    }
    quoted.append(backslashes * 2, L'\\');
    quoted.push_back(L'"');
    return quoted;
}

std::wstring Widen(const std::string& text)
{
    if (text.empty())
        return {};
    const int length = ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

std::string Narrow(const std::wstring& text)
{
    if (text.empty())
        return {};
    const int length =
        ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(length), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), narrow.data(), length, nullptr,
                          nullptr);
    return narrow;
}

// Window creations reported by the system, by the thread that made the window. Reported to this
// thread through its message queue, so they are counted while the test pumps messages.
class WindowCreations {
public:
    WindowCreations()
    {
        s_current = this;
        m_hook = ::SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_CREATE, nullptr, &WindowCreations::OnEvent, 0, 0,
                                   WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS);
    }
    WindowCreations(const WindowCreations&) = delete;
    WindowCreations& operator=(const WindowCreations&) = delete;
    ~WindowCreations()
    {
        if (m_hook)
            ::UnhookWinEvent(m_hook);
        s_current = nullptr;
    }

    bool Watching() const { return m_hook != nullptr; }
    // Forgets what was seen so far: thread ids come back in later processes.
    void Clear() { m_threads.clear(); }
    int By(DWORD threadId) const
    {
        return static_cast<int>(std::count(m_threads.begin(), m_threads.end(), threadId));
    }

private:
    static void CALLBACK OnEvent(HWINEVENTHOOK, DWORD, HWND, LONG object, LONG, DWORD thread, DWORD)
    {
        if (s_current && object == OBJID_WINDOW)
            s_current->m_threads.push_back(thread);
    }

    static inline WindowCreations* s_current = nullptr;
    HWINEVENTHOOK m_hook = nullptr;
    std::vector<DWORD> m_threads;
};

std::string Decimal(HWND hWnd)
{
    return std::to_string(static_cast<long long>(reinterpret_cast<LONG_PTR>(hWnd)));
}

// A window made and destroyed again: its handle names no window any more.
HWND HandleOfAGoneWindow()
{
    HostWindow gone(0, 0, 10, 10);
    const HWND handle = gone.Handle();
    gone.Destroy();
    return handle;
}

struct Generated {
    std::vector<std::string> arguments;
    bool mustSelectNothing;  // written to select nothing, rather than generated at random
};

// Command lines a hostile or broken host might send, then generated ones.
std::vector<Generated> HostileVectors(HWND liveHost)
{
    const std::string live = Decimal(liveHost);
    const std::string gone = Decimal(HandleOfAGoneWindow());
    const unsigned long long liveBits = static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(liveHost));
    const std::vector<std::vector<std::string>> written{
        {""}, {"/"}, {"-"}, {"//s"}, {"-/c"}, {"/-p", live}, {"/x"}, {"-?"}, {"/?"}, {"garbage"}, {"\\s"},
        {"/p"}, {"-P"}, {"p"}, {"/preview"}, {"/p", ""}, {"/p", " "}, {"/p", "-"}, {"/p", "+"}, {"/p", "abc"},
        {"/p", "-1"}, {"/p", "0"}, {"/p", "-0"}, {"/p", "0x10"}, {"/p", "4294967296"}, {"/p", "4294967297"},
        {"/p", "-2147483649"}, {"/p", "18446744073709551615"}, {"/p", "18446744073709551616"},
        {"/p", "99999999999999999999999999999999"}, {"/p", "-99999999999999999999999999999999"},
        {"/p", gone}, {"-p", gone, "/s"}, {"/p", " " + gone},
        // A live window's handle with 2^32 added or taken away must not wrap onto that window.
        {"/p", std::to_string(liveBits + 0x100000000ull)}, {"/p", std::to_string(liveBits + 0x200000000ull)},
        {"/p", "-" + std::to_string(0x200000000ull - liveBits)}, {"/p", "-" + std::to_string(0x100000000ull + liveBits)},
        {"/p", "+" + live + "0000000000"}, {"/p", live + "99999999999"},
        // Very long arguments: a command line holds at most 32767 characters.
        {std::string(30000, 'x')}, {"/" + std::string(30000, 'q')}, {"/p", std::string(30000, '9')},
        {"/p", "-" + std::string(30000, '7')}, {"/p", std::string(30000, ' ')}, {std::string(200, '/')},
    };
    std::vector<Generated> vectors;
    for (const auto& arguments : written)
        vectors.push_back({arguments, true});
    Random random(0x4057'11E0'0002ull);
    while (vectors.size() < 320) {
        std::vector<std::string> arguments;
        switch (random.Below(4)) {
        case 0: arguments = {random.Bytes(1 + random.Below(12))}; break;
        case 1: arguments = {random.Pick(std::vector<std::string>{"/p", "-p", "P", "/preview", "/P:"}),
                             HandleLike(random)};
            break;
        case 2: arguments = {AnyArgument(random), AnyArgument(random)}; break;
        default: arguments = {random.Bytes(random.Below(5)), HandleLike(random), random.Bytes(3)}; break;
        }
        vectors.push_back({arguments, false});
    }
    return vectors;
}

TEST(HostileCommandLine, RealStartsThatSelectNothingEndAtOnceWithoutAWindow)
{
    WindowCreations creations;
    ASSERT_TRUE(creations.Watching());
    // Something to aim at: commands that are one step from naming it must still miss it.
    HostWindow liveHost(0, 0, 60, 40);
    ASSERT_NE(liveHost.Handle(), nullptr);

    // The watch sees a window another process makes: the preview's, in a live host.
    {
        ChildProcess preview(testing_support::SaverPath(), L"/p " + Widen(Decimal(liveHost.Handle())));
        ASSERT_TRUE(preview.Started());
        ASSERT_TRUE(WaitFor([&] { return ::GetWindow(liveHost.Handle(), GW_CHILD) != nullptr; }, 10s));
        ASSERT_TRUE(WaitFor([&] { return creations.By(preview.ThreadId()) > 0; }, 10s))
            << "the window-creation watch saw nothing of a real preview";
        liveHost.Destroy();
        ASSERT_TRUE(preview.WaitForExit(10s));
    }
    HostWindow target(0, 0, 60, 40);
    ASSERT_NE(target.Handle(), nullptr);

    int started = 0;
    int skipped = 0;
    int failed = 0;
    double slowest = 0;
    const auto begun = std::chrono::steady_clock::now();
    for (const auto& generated : HostileVectors(target.Handle())) {
        std::wstring commandLine;
        std::vector<std::string> asTheSaverSeesThem;
        for (const auto& argument : generated.arguments) {
            const std::wstring wide = Widen(argument);
            commandLine += (commandLine.empty() ? L"" : L" ") + QuoteArgument(wide);
            asTheSaverSeesThem.push_back(Narrow(wide));
        }
        const StartRequest request = Select(asTheSaverSeesThem);
        const bool liveWindow = request.parentHandle &&
                                ::IsWindow(reinterpret_cast<HWND>(static_cast<LONG_PTR>(*request.parentHandle)));
        if (request.mode == Mode::Settings || request.mode == Mode::Saver ||
            (request.mode == Mode::Preview && liveWindow)) {
            // It would open a window and wait for a person: not started.
            if (generated.mustSelectNothing && ++failed <= 10)
                ADD_FAILURE() << Show(asTheSaverSeesThem) << " selects mode " << static_cast<int>(request.mode)
                              << (liveWindow ? " with a live window" : "");
            ++skipped;
            continue;
        }

        const auto start = std::chrono::steady_clock::now();
        creations.Clear();
        ChildProcess run(testing_support::SaverPath(), commandLine);
        ++started;
        const bool ended = run.Started() && run.WaitForExit(10s);
        testing_support::PumpMessagesFor(0ms);  // the last creation reports, if there were any
        slowest = std::max(slowest, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        const int windows = creations.By(run.ThreadId());
        if (!ended || run.ExitCode() != 0 || windows != 0) {
            if (++failed <= 10)
                ADD_FAILURE() << Show(asTheSaverSeesThem) << ": "
                              << (run.Started() ? "" : "not started (error " + std::to_string(run.StartError()) + "), ")
                              << (ended ? "ended" : "still running after 10 s") << ", exit code " << run.ExitCode()
                              << ", " << windows << " windows made";
        }
    }
    const double total = std::chrono::duration<double>(std::chrono::steady_clock::now() - begun).count();
    std::cout << "[hostile] real starts: " << started << " started (" << skipped
              << " generated vectors skipped: settings, saver or a live window), " << failed << " failed, "
              << total << " s in all, slowest " << slowest << " s\n";
    EXPECT_EQ(failed, 0);
    EXPECT_GE(started, 250);
}

// ---- Hosts -------------------------------------------------------------------------------------

TEST(HostileHost, DestroyingTheHostWindowEndsThePreviewWithinASecond)
{
    HostWindow host(20, 20, 152, 112);
    ASSERT_NE(host.Handle(), nullptr);
    ChildProcess saver(testing_support::SaverPath(), L"/p " + Widen(Decimal(host.Handle())));
    ASSERT_TRUE(saver.Started());
    ASSERT_NE(testing_support::WaitForChildOfProcess(host.Handle(), saver.Id()), nullptr) << "no preview appeared in the host";

    const auto destroyed = std::chrono::steady_clock::now();
    host.Destroy();
    ASSERT_TRUE(saver.WaitForExit(10s)) << "the preview outlived its host";
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - destroyed).count();
    std::cout << "[hostile] preview ended " << seconds * 1000 << " ms after its host window was destroyed\n";
    EXPECT_LT(seconds, 1.0);
    EXPECT_EQ(saver.ExitCode(), 0u);
}

// A host may close its window at any moment, also while the saver is still making its preview.
// The host here closes it the moment the saver's first window is reported (the thread's input
// window, made just before the preview's own), which sometimes falls inside the preview's making;
// the preview must end every time all the same.
TEST(HostileHost, AHostClosingWhileThePreviewIsMadeStillEndsIt)
{
    WindowCreations creations;
    ASSERT_TRUE(creations.Watching());
    constexpr int kRounds = 150;
    int failed = 0;
    int previewAlreadyInside = 0;
    double slowest = 0;
    for (int round = 0; round < kRounds; ++round) {
        HostWindow host(20, 20, 152, 112);
        ASSERT_NE(host.Handle(), nullptr);
        creations.Clear();
        ChildProcess preview(testing_support::SaverPath(), L"/p " + Widen(Decimal(host.Handle())));
        ASSERT_TRUE(preview.Started()) << "round " << round << ": CreateProcess failed with error "
                                       << preview.StartError();
        ASSERT_TRUE(WaitFor([&] { return creations.By(preview.ThreadId()) > 0; }, 10s))
            << "round " << round << ": the saver made no window";
        previewAlreadyInside += ::GetWindow(host.Handle(), GW_CHILD) != nullptr ? 1 : 0;
        host.Destroy();
        const auto closed = std::chrono::steady_clock::now();
        const bool ended = preview.WaitForExit(10s);
        slowest = std::max(slowest, std::chrono::duration<double>(std::chrono::steady_clock::now() - closed).count());
        if ((!ended || preview.ExitCode() != 0) && ++failed <= 10)
            ADD_FAILURE() << "round " << round << ": "
                          << (ended ? "exit code " + std::to_string(preview.ExitCode()) : std::string("still running 10 s after its host closed"));
    }
    std::cout << "[hostile] host closed at the saver's first window: " << kRounds << " rounds ("
              << previewAlreadyInside << " with the preview already inside), " << failed << " failed, slowest end "
              << slowest * 1000 << " ms\n";
    EXPECT_EQ(failed, 0);
}

TEST(HostileHost, TwoPreviewsAndTheSettingsDialogRunSideBySide)
{
    const PrivateSaver saver(L"BrimstarHostileSideBySide", 42);
    const testing_support::SaverCopy& copy = saver.Copy();
    HostWindow firstHost(20, 20, 152, 112);
    HostWindow secondHost(220, 20, 200, 150);
    ASSERT_NE(firstHost.Handle(), nullptr);
    ASSERT_NE(secondHost.Handle(), nullptr);
    ::SetWindowLongPtrW(secondHost.Handle(), GWLP_USERDATA, 0x5EC0DD);  // the host's own, not the saver's

    ChildProcess first(testing_support::SaverPath(), L"/p " + Widen(Decimal(firstHost.Handle())));
    ChildProcess second(testing_support::SaverPath(), L"/p " + Widen(Decimal(secondHost.Handle())));
    ChildProcess settings(copy.path, L"");
    ASSERT_TRUE(first.Started() && second.Started() && settings.Started());

    const HWND firstPreview = testing_support::WaitForChildOfProcess(firstHost.Handle(), first.Id());
    const HWND secondPreview = testing_support::WaitForChildOfProcess(secondHost.Handle(), second.Id());
    const HWND dialog = testing_support::WaitForDialog(settings);
    ASSERT_NE(firstPreview, nullptr);
    ASSERT_NE(secondPreview, nullptr);
    ASSERT_NE(dialog, nullptr) << "the settings dialog did not appear";
    // Each preview fills its own host, and neither strayed into the other's.
    EXPECT_EQ(ClientSize(firstPreview).cx, 152);
    EXPECT_EQ(ClientSize(firstPreview).cy, 112);
    EXPECT_EQ(ClientSize(secondPreview).cx, 200);
    EXPECT_EQ(ClientSize(secondPreview).cy, 150);
    EXPECT_EQ(ChildOfProcess(firstHost.Handle(), second.Id()), nullptr);
    EXPECT_EQ(ChildOfProcess(secondHost.Handle(), first.Id()), nullptr);

    // Ended one by one: each end leaves the others running.
    firstHost.Destroy();
    ASSERT_TRUE(first.WaitForExit(10s));
    EXPECT_EQ(first.ExitCode(), 0u);
    EXPECT_EQ(::WaitForSingleObject(second.Handle(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_EQ(::WaitForSingleObject(settings.Handle(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_TRUE(::IsWindow(secondPreview));

    ::SendMessageW(::GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
    ASSERT_TRUE(settings.WaitForExit(10s));
    EXPECT_EQ(settings.ExitCode(), 0u);
    EXPECT_EQ(::WaitForSingleObject(second.Handle(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_TRUE(::IsWindow(secondPreview));

    // The last one is closed inside a host that stays: the saver only borrowed the host's window.
    ::PostMessageW(secondPreview, WM_CLOSE, 0, 0);
    ASSERT_TRUE(second.WaitForExit(10s));
    EXPECT_EQ(second.ExitCode(), 0u);
    EXPECT_TRUE(::IsWindow(secondHost.Handle()));
    EXPECT_EQ(::GetWindowLongPtrW(secondHost.Handle(), GWLP_USERDATA), 0x5EC0DD);

    DWORD stored = 0;
    EXPECT_TRUE(testing_support::ReadStoredSpeed(copy.appName, stored));
    EXPECT_EQ(stored, 42u) << "Cancel changed the stored speed";
}

// A window made by this same program's code, with its object in this process, but on another
// thread: its procedure and user data look like ours, yet its object is not this thread's to use.
// (Another process running this program looks the same wherever the system hands out another
// process's window procedure.)
TEST(HostileHost, AnotherThreadsWindowIsOnlyEverBorrowed)
{
    const RECT area{0, 0, 64, 48};
    CAnimationWnd* theirs = nullptr;
    HWND theirWindow = nullptr;
    HANDLE made = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE finished = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ASSERT_TRUE(made && finished);
    std::thread other([&] {
        CAnimationWnd animation(FALSE);
        if (animation.Create(0, WS_POPUP, area, nullptr, 0, nullptr)) {
            theirs = &animation;
            theirWindow = animation.m_hWnd;
        }
        ::SetEvent(made);
        while (::MsgWaitForMultipleObjects(1, &finished, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0) {
            MSG msg;
            while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
                ::DispatchMessageW(&msg);
        }
    });
    ASSERT_EQ(::WaitForSingleObject(made, 10000), WAIT_OBJECT_0);
    ASSERT_NE(theirWindow, nullptr);

    framework::CWnd* wrapper = framework::CWnd::FromHandle(theirWindow);
    ASSERT_NE(wrapper, nullptr);
    EXPECT_NE(wrapper, static_cast<framework::CWnd*>(theirs)) << "another thread's object was taken as ours";
    EXPECT_EQ(wrapper->m_hWnd, theirWindow);
    {
        CAnimationWnd ours(FALSE);
        ASSERT_TRUE(ours.Create(0, WS_POPUP, area, nullptr, 0, nullptr));
        EXPECT_EQ(framework::CWnd::FromHandle(ours.m_hWnd), static_cast<framework::CWnd*>(&ours));
    }
    ::SetEvent(finished);
    other.join();
    ::CloseHandle(made);
    ::CloseHandle(finished);
}

TEST(HostileHost, AnEmptyHostGetsAnEmptyPreviewThatRunsUntilTheHostGoes)
{
    // A real host's monitor is a child control; this one has no area at all.
    HostWindow frame(20, 20, 160, 120);
    HostWindow host(10, 10, 0, 0, HostBackground::None, frame.Handle());
    ASSERT_NE(host.Handle(), nullptr);
    ASSERT_EQ(ClientSize(host.Handle()).cx, 0);
    ASSERT_EQ(ClientSize(host.Handle()).cy, 0);

    ChildProcess saver(testing_support::SaverPath(), L"/p " + Widen(Decimal(host.Handle())));
    ASSERT_TRUE(saver.Started());
    const HWND preview = testing_support::WaitForChildOfProcess(host.Handle(), saver.Id());
    ASSERT_NE(preview, nullptr) << "no preview window in the empty host";
    EXPECT_EQ(ClientSize(preview).cx, 0);
    EXPECT_EQ(ClientSize(preview).cy, 0);

    // Ticks and repaints in the empty window, delivered like the timer's: the saver answers
    // every one and keeps running.
    for (int tick = 0; tick < 50; ++tick) {
        DWORD_PTR ignored = 0;
        ASSERT_NE(::SendMessageTimeoutW(preview, WM_TIMER, CAnimationWnd::kTimerId, 0, SMTO_ABORTIFHUNG, 5000, &ignored),
                  0)
            << "tick " << tick;
        if (tick % 10 == 0)
            ::SendMessageTimeoutW(preview, WM_PAINT, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored);
    }
    EXPECT_EQ(::WaitForSingleObject(saver.Handle(), 0), static_cast<DWORD>(WAIT_TIMEOUT));

    host.Destroy();
    ASSERT_TRUE(saver.WaitForExit(10s)) << "the preview outlived its empty host";
    EXPECT_EQ(saver.ExitCode(), 0u);
}

// The window's model, by 64-bit arithmetic wrapped at the end into 32 bits.
struct ModelState {
    std::int64_t x = -7;
    std::int64_t y = -7;
};

std::int32_t Wrap32(std::int64_t value)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(value)));
}

void ModelTick(ModelState& state, std::int64_t speed, std::int64_t width, std::int64_t height)
{
    state.x = Wrap32(state.x + speed);
    if (state.x >= width) {
        state.x = -188;
        state.y = Wrap32(state.y + 168);
    }
    if (state.y >= height)
        state.y = -7;
}

TEST(HostileHost, TicksInAnEmptyWindowDrawNothing)
{
    framework::CWinApp app(L"BrimstarHostileEmptyWindow");
    app.SetRegistryKey(L"Tarnwick Inc.");
    testing_support::DeleteStoredSpeed(app.AppName());

    // A white host with an empty animation window inside: whatever the animation draws would
    // have to land in the host's pixels.
    constexpr int kHostSize = 64;
    HostWindow host(0, 0, kHostSize, kHostSize, HostBackground::White);
    ASSERT_NE(host.Handle(), nullptr);
    framework::CWnd* parent = framework::CWnd::FromHandle(host.Handle());
    const RECT empty{20, 20, 20, 20};
    CAnimationWnd animation(FALSE);
    ASSERT_TRUE(animation.Create(0, WS_CHILD | WS_VISIBLE, empty, parent, 0, nullptr));
    ::UpdateWindow(host.Handle());
    int width = 0;
    int height = 0;
    const std::vector<COLORREF> before = testing_support::CaptureClient(host.Handle(), width, height);
    ASSERT_EQ(width, kHostSize);

    ModelState model;
    const std::int64_t speeds[] = {1, 0, 188, 1000, INT_MAX};
    int ticks = 0;
    for (const std::int64_t speed : speeds) {
        animation.SetSpeed(static_cast<int>(speed));
        for (int i = 0; i < 200; ++i, ++ticks) {
            ::SendMessageW(animation.m_hWnd, WM_TIMER, CAnimationWnd::kTimerId, 0);
            ModelTick(model, speed, 0, 0);
            ASSERT_EQ(AnimationWndProbe::X(animation), model.x) << "speed " << speed << " tick " << i;
            ASSERT_EQ(AnimationWndProbe::Y(animation), model.y) << "speed " << speed << " tick " << i;
        }
        // An empty window is never invalid, so the system sends it no WM_PAINT: send one.
        ::SendMessageW(animation.m_hWnd, WM_PAINT, 0, 0);
    }
    const int repaints = static_cast<int>(std::size(speeds));
    EXPECT_EQ(AnimationWndProbe::FrameCounter(animation), ticks + repaints);

    const std::vector<COLORREF> after = testing_support::CaptureClient(host.Handle(), width, height);
    EXPECT_TRUE(after == before) << "the empty animation window drew into its host";
    EXPECT_TRUE(std::all_of(after.begin(), after.end(), [](COLORREF c) { return c == 0xFFFFFF; }))
        << "the host is not plain white";
}

}  // namespace
