// The dialog templates and strings as the built program carries them, read back from its
// resources and decoded here byte by byte rather than through the dialog manager; then the
// dialogs as the dialog manager makes them, with their texts measured against their controls.
#include "TestSupport.h"
#include "resources/credits.h"
#include "resources/resource.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// Predefined control classes as a template names them by ordinal.
constexpr WORD kButtonClass = 0x0080;
constexpr WORD kStaticClass = 0x0082;
constexpr WORD kScrollBarClass = 0x0084;

// A name in a template: either a 16-bit ordinal or a string.
struct NameOrOrdinal {
    std::optional<WORD> ordinal;
    std::wstring text;
};

struct ControlTemplate {
    DWORD style = 0;
    DWORD exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    WORD id = 0;
    NameOrOrdinal windowClass;
    NameOrOrdinal title;
    std::vector<BYTE> creationData;
};

struct DialogTemplate {
    DWORD style = 0;
    DWORD exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    NameOrOrdinal menu;
    NameOrOrdinal windowClass;
    std::wstring caption;
    WORD pointSize = 0;
    std::wstring typeface;
    std::vector<ControlTemplate> controls;
};

// Reads the little-endian fields of a resource, refusing to run past its end.
class TemplateReader {
public:
    TemplateReader(const BYTE* data, size_t size) : m_data(data), m_size(size) {}

    template <class T> T Read()
    {
        Need(sizeof(T));
        T value;
        std::memcpy(&value, m_data + m_offset, sizeof(T));
        m_offset += sizeof(T);
        return value;
    }

    std::wstring ReadString()
    {
        std::wstring text;
        for (wchar_t c = static_cast<wchar_t>(Read<WORD>()); c != 0; c = static_cast<wchar_t>(Read<WORD>()))
            text.push_back(c);
        return text;
    }

    // 0x0000: none; 0xFFFF: an ordinal follows; anything else starts a string.
    NameOrOrdinal ReadNameOrOrdinal()
    {
        Need(sizeof(WORD));
        WORD first;
        std::memcpy(&first, m_data + m_offset, sizeof first);
        NameOrOrdinal name;
        if (first == 0xFFFF) {
            m_offset += sizeof(WORD);
            name.ordinal = Read<WORD>();
        } else {
            name.text = ReadString();
        }
        return name;
    }

    std::vector<BYTE> ReadBytes(size_t count)
    {
        Need(count);
        std::vector<BYTE> bytes(m_data + m_offset, m_data + m_offset + count);
        m_offset += count;
        return bytes;
    }

    // Each control's record starts on a DWORD boundary.
    void AlignToDword() { m_offset = (m_offset + 3) & ~size_t{3}; }

    size_t Offset() const { return m_offset; }

private:
    void Need(size_t count) const
    {
        if (m_offset + count > m_size)
            throw std::runtime_error("dialog template ends early");
    }

    const BYTE* m_data;
    size_t m_size;
    size_t m_offset = 0;
};

DialogTemplate ParseDialogTemplate(const BYTE* data, size_t size)
{
    TemplateReader reader(data, size);
    DialogTemplate dialog;
    dialog.style = reader.Read<DWORD>();
    // The extended layout starts with the words 1, 0xFFFF: the low word of "style" would be 1.
    if ((dialog.style & 0xFFFF0000u) == 0xFFFF0000u && (dialog.style & 0xFFFFu) == 1u)
        throw std::runtime_error("an extended dialog template where a plain one was expected");
    dialog.exStyle = reader.Read<DWORD>();
    const WORD controlCount = reader.Read<WORD>();
    dialog.x = reader.Read<short>();
    dialog.y = reader.Read<short>();
    dialog.cx = reader.Read<short>();
    dialog.cy = reader.Read<short>();
    dialog.menu = reader.ReadNameOrOrdinal();
    dialog.windowClass = reader.ReadNameOrOrdinal();
    dialog.caption = reader.ReadString();
    if (dialog.style & DS_SETFONT) {
        dialog.pointSize = reader.Read<WORD>();
        dialog.typeface = reader.ReadString();
    }
    for (WORD i = 0; i < controlCount; ++i) {
        reader.AlignToDword();
        ControlTemplate control;
        control.style = reader.Read<DWORD>();
        control.exStyle = reader.Read<DWORD>();
        control.x = reader.Read<short>();
        control.y = reader.Read<short>();
        control.cx = reader.Read<short>();
        control.cy = reader.Read<short>();
        control.id = reader.Read<WORD>();
        control.windowClass = reader.ReadNameOrOrdinal();
        control.title = reader.ReadNameOrOrdinal();
        const WORD extraBytes = reader.Read<WORD>();
        control.creationData = reader.ReadBytes(extraBytes);
        dialog.controls.push_back(control);
    }
    return dialog;
}

// The class a control was created with, as the ordinal of a predefined class. Templates may
// also spell the predefined classes by name.
std::optional<WORD> PredefinedClass(const NameOrOrdinal& name)
{
    if (name.ordinal)
        return name.ordinal;
    if (_wcsicmp(name.text.c_str(), L"Button") == 0)
        return kButtonClass;
    if (_wcsicmp(name.text.c_str(), L"Static") == 0)
        return kStaticClass;
    if (_wcsicmp(name.text.c_str(), L"ScrollBar") == 0)
        return kScrollBarClass;
    return std::nullopt;
}

std::wstring Widen(const char* ascii)
{
    std::wstring wide;
    for (; *ascii; ++ascii)
        wide.push_back(static_cast<wchar_t>(static_cast<unsigned char>(*ascii)));
    return wide;
}

// Style bits a control must have, and bits it must not have.
struct ExpectedControl {
    const wchar_t* what;
    WORD windowClass;
    WORD id;
    std::wstring text;  // ignored when iconId is set
    std::optional<WORD> iconId;
    short x, y, cx, cy;
    DWORD typeMask;  // the low bits that name the kind of control ...
    DWORD type;      // ... and their value
    DWORD required;  // further bits that must be set
    DWORD forbidden; // bits that must be clear
};

constexpr DWORD kAlwaysForbidden = WS_DISABLED | WS_POPUP;

void ExpectControls(const DialogTemplate& dialog, const std::vector<ExpectedControl>& expected)
{
    ASSERT_EQ(dialog.controls.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const ControlTemplate& actual = dialog.controls[i];
        const ExpectedControl& want = expected[i];
        SCOPED_TRACE(testing::Message() << "control " << i << " (" << testing::PrintToString(std::wstring(want.what))
                                        << ")");
        EXPECT_EQ(PredefinedClass(actual.windowClass), std::optional<WORD>(want.windowClass));
        EXPECT_EQ(actual.id, want.id);
        if (want.iconId) {
            EXPECT_EQ(actual.title.ordinal, want.iconId);
        } else {
            EXPECT_FALSE(actual.title.ordinal.has_value());
            EXPECT_EQ(actual.title.text, want.text);
        }
        EXPECT_EQ(actual.x, want.x);
        EXPECT_EQ(actual.y, want.y);
        EXPECT_EQ(actual.cx, want.cx);
        EXPECT_EQ(actual.cy, want.cy);
        EXPECT_EQ(actual.style & want.typeMask, want.type);
        EXPECT_EQ(actual.style & want.required, want.required) << std::hex << "style 0x" << actual.style;
        EXPECT_EQ(actual.style & want.forbidden, 0u) << std::hex << "style 0x" << actual.style;
        EXPECT_TRUE(actual.style & WS_CHILD);
        EXPECT_EQ(actual.exStyle, 0u);
        EXPECT_TRUE(actual.creationData.empty());
    }
}

// The built program opened for its resources only.
class DialogTemplateTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_module = ::LoadLibraryExW(testing_support::SaverPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(m_module, nullptr) << "cannot open " << testing::PrintToString(testing_support::SaverPath());
    }

    void TearDown() override
    {
        if (m_module)
            ::FreeLibrary(m_module);
    }

    DialogTemplate LoadDialog(WORD id) const
    {
        HRSRC found = ::FindResourceW(m_module, MAKEINTRESOURCEW(id), RT_DIALOG);
        if (!found)
            throw std::runtime_error("no dialog template " + std::to_string(id));
        HGLOBAL loaded = ::LoadResource(m_module, found);
        const auto* data = static_cast<const BYTE*>(::LockResource(loaded));
        if (!data)
            throw std::runtime_error("dialog template cannot be loaded");
        return ParseDialogTemplate(data, ::SizeofResource(m_module, found));
    }

    std::wstring LoadString(UINT id) const
    {
        // With a zero buffer size the call hands out a pointer to the string in the resource.
        const wchar_t* text = nullptr;
        const int length = ::LoadStringW(m_module, id, reinterpret_cast<LPWSTR>(&text), 0);
        return length > 0 && text ? std::wstring(text, static_cast<size_t>(length)) : std::wstring();
    }

    HMODULE m_module = nullptr;
};

TEST_F(DialogTemplateTest, SettingsDialogFrameCaptionAndFont)
{
    const DialogTemplate dialog = LoadDialog(IDD_SETTINGS);
    EXPECT_EQ(dialog.style, static_cast<DWORD>(WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME |
                                               DS_SETFONT))
        << std::hex << "style 0x" << dialog.style;
    EXPECT_FALSE(dialog.style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    EXPECT_EQ(dialog.exStyle, 0u);
    EXPECT_EQ(dialog.x, 0);
    EXPECT_EQ(dialog.y, 0);
    EXPECT_EQ(dialog.cx, 129);
    EXPECT_EQ(dialog.cy, 102);
    EXPECT_EQ(dialog.caption, L"Brimstar");
    EXPECT_FALSE(dialog.menu.ordinal.has_value());
    EXPECT_EQ(dialog.menu.text, L"");
    EXPECT_FALSE(dialog.windowClass.ordinal.has_value());
    EXPECT_EQ(dialog.windowClass.text, L"");
    EXPECT_EQ(dialog.pointSize, 8);
    EXPECT_EQ(dialog.typeface, L"MS Sans Serif");
}

TEST_F(DialogTemplateTest, SettingsDialogControlsInTabOrder)
{
    const DialogTemplate dialog = LoadDialog(IDD_SETTINGS);
    constexpr DWORD kStaticType = SS_TYPEMASK;
    constexpr DWORD kButtonType = BS_TYPEMASK;
    constexpr WORD kNoId = 0xFFFF;
    ExpectControls(dialog, {
        {L"group box", kButtonClass, kNoId, L"Speed", std::nullopt, 8, 57, 113, 40,
         kButtonType, BS_GROUPBOX, WS_VISIBLE, kAlwaysForbidden | WS_TABSTOP},
        {L"Slow", kStaticClass, kNoId, L"Slow", std::nullopt, 17, 70, 30, 8,
         kStaticType, SS_LEFT, WS_VISIBLE | WS_GROUP, kAlwaysForbidden | WS_TABSTOP},
        {L"Fast", kStaticClass, kNoId, L"Fast", std::nullopt, 80, 70, 30, 8,
         kStaticType, SS_RIGHT, WS_VISIBLE | WS_GROUP, kAlwaysForbidden | WS_TABSTOP},
        {L"speed bar", kScrollBarClass, IDC_SPEED, L"", std::nullopt, 17, 81, 94, 11,
         SBS_VERT, SBS_HORZ, WS_VISIBLE | WS_GROUP | WS_TABSTOP, kAlwaysForbidden},
        {L"OK", kButtonClass, IDOK, L"OK", std::nullopt, 74, 14, 50, 14,
         kButtonType, BS_DEFPUSHBUTTON, WS_VISIBLE | WS_TABSTOP, kAlwaysForbidden},
        {L"Cancel", kButtonClass, IDCANCEL, L"Cancel", std::nullopt, 74, 31, 50, 14,
         kButtonType, BS_PUSHBUTTON, WS_VISIBLE | WS_TABSTOP, kAlwaysForbidden},
        {L"preview placeholder", kStaticClass, IDC_PREVIEW, L"", std::nullopt, 5, 5, 64, 48,
         kStaticType, SS_LEFT, 0, kAlwaysForbidden | WS_VISIBLE | WS_TABSTOP},
    });
    // The dialog manager gives the focus to the first tab stop: it must be the speed bar.
    for (const ControlTemplate& control : dialog.controls) {
        if (control.style & WS_TABSTOP) {
            EXPECT_EQ(control.id, IDC_SPEED);
            break;
        }
    }
}

TEST_F(DialogTemplateTest, AboutBoxFrameCaptionAndFont)
{
    const DialogTemplate dialog = LoadDialog(IDD_ABOUT);
    EXPECT_EQ(dialog.style, static_cast<DWORD>(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT))
        << std::hex << "style 0x" << dialog.style;
    EXPECT_EQ(dialog.exStyle, 0u);
    EXPECT_EQ(dialog.x, 34);
    EXPECT_EQ(dialog.y, 22);
    EXPECT_EQ(dialog.cx, 217);
    EXPECT_EQ(dialog.cy, 55);
    EXPECT_EQ(dialog.caption, L"About Brimstar");
    EXPECT_EQ(dialog.menu.text, L"");
    EXPECT_FALSE(dialog.menu.ordinal.has_value());
    EXPECT_EQ(dialog.windowClass.text, L"");
    EXPECT_FALSE(dialog.windowClass.ordinal.has_value());
    EXPECT_EQ(dialog.pointSize, 8);
    EXPECT_EQ(dialog.typeface, L"MS Sans Serif");
}

TEST_F(DialogTemplateTest, AboutBoxControlsInTabOrder)
{
    const DialogTemplate dialog = LoadDialog(IDD_ABOUT);
    constexpr DWORD kStaticType = SS_TYPEMASK;
    constexpr DWORD kButtonType = BS_TYPEMASK;
    constexpr WORD kNoId = 0xFFFF;
    ExpectControls(dialog, {
        {L"icon", kStaticClass, IDI_ABOUT, L"", IDI_ABOUT, 11, 17, 20, 20,
         kStaticType, SS_ICON, WS_VISIBLE, kAlwaysForbidden | WS_TABSTOP},
        {L"version", kStaticClass, kNoId, L"Brimstar Version 1.0", std::nullopt, 49, 11, 119, 8,
         kStaticType, SS_LEFT, WS_VISIBLE | WS_GROUP, kAlwaysForbidden | WS_TABSTOP},
        {L"copyright", kStaticClass, kNoId, Widen(BRIMSTAR_COPYRIGHT), std::nullopt, 49, 23, 119, 8,
         kStaticType, SS_LEFT, WS_VISIBLE, kAlwaysForbidden | WS_TABSTOP},
        {L"OK", kButtonClass, IDOK, L"OK", std::nullopt, 176, 6, 32, 14,
         kButtonType, BS_DEFPUSHBUTTON, WS_VISIBLE | WS_GROUP | WS_TABSTOP, kAlwaysForbidden},
        {L"artwork credit", kStaticClass, kNoId, Widen(BRIMSTAR_ARTWORK_CREDIT), std::nullopt, 49, 35, 119, 8,
         kStaticType, SS_LEFT, WS_VISIBLE, kAlwaysForbidden | WS_TABSTOP},
    });
    // The icon the control names is in the program.
    EXPECT_NE(::FindResourceW(m_module, MAKEINTRESOURCEW(IDI_ABOUT), RT_GROUP_ICON), nullptr);
}

// A static control that shows a picture: its window text names the picture's resource.
bool ShowsPicture(HWND control)
{
    const auto type = static_cast<DWORD>(::GetWindowLongPtrW(control, GWL_STYLE)) & SS_TYPEMASK;
    return _wcsicmp(testing_support::ClassOf(control).c_str(), L"Static") == 0 &&
           (type == SS_ICON || type == SS_BITMAP || type == SS_ENHMETAFILE);
}

// How a control draws its text, and the part of its client area the text must stay inside.
struct TextLayout {
    UINT drawFlags;
    RECT area;
};

// The DrawText flags and text area of a control with text, as the control paints it: a static text
// wraps at its width (or clips it, without word wrap) and is cut off at its height; a push button
// or group box draws one line inside its frame and focus rectangle. Null for a kind of control
// this test has no rule for.
std::optional<TextLayout> LayoutOfText(HWND control)
{
    const auto style = static_cast<DWORD>(::GetWindowLongPtrW(control, GWL_STYLE));
    RECT client{};
    ::GetClientRect(control, &client);
    const std::wstring className = testing_support::ClassOf(control);
    if (_wcsicmp(className.c_str(), L"Static") == 0) {
        UINT flags = 0;
        switch (style & SS_TYPEMASK) {
        case SS_LEFT: flags = DT_LEFT | DT_EXPANDTABS | DT_WORDBREAK; break;
        case SS_CENTER: flags = DT_CENTER | DT_EXPANDTABS | DT_WORDBREAK; break;
        case SS_RIGHT: flags = DT_RIGHT | DT_EXPANDTABS | DT_WORDBREAK; break;
        case SS_LEFTNOWORDWRAP: flags = DT_LEFT | DT_EXPANDTABS; break;
        case SS_SIMPLE: flags = DT_LEFT | DT_SINGLELINE; break;
        default: return std::nullopt;
        }
        if (style & SS_NOPREFIX)
            flags |= DT_NOPREFIX;
        return TextLayout{flags, client};
    }
    if (_wcsicmp(className.c_str(), L"Button") == 0) {
        const DWORD type = style & BS_TYPEMASK;
        if (type != BS_PUSHBUTTON && type != BS_DEFPUSHBUTTON && type != BS_GROUPBOX)
            return std::nullopt;
        // Inside the frame's edge lies the focus rectangle, another edge further in; the text
        // must not touch either. Captions keep their '&' prefixes, as the button draws them.
        const int inX = 2 * ::GetSystemMetrics(SM_CXEDGE);
        const int inY = ::GetSystemMetrics(SM_CYEDGE);
        RECT area = client;
        ::InflateRect(&area, -inX, -inY);
        return TextLayout{DT_CENTER | DT_SINGLELINE, area};
    }
    return std::nullopt;
}

// Each dialog made from its template, as the dialog manager makes it, with every text measured in
// the font the dialog gives its controls. Compared with the control's own size, so no wording and
// no font (Wine draws MS Sans Serif in another face than Windows) can cut a text off unnoticed.
TEST_F(DialogTemplateTest, EveryTextFitsItsControlInTheDialogFont)
{
    for (const WORD id : {WORD{IDD_SETTINGS}, WORD{IDD_ABOUT}}) {
        SCOPED_TRACE("dialog " + std::to_string(id));
        const HWND dialog = ::CreateDialogParamW(
            m_module, MAKEINTRESOURCEW(id), nullptr, [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
        ASSERT_NE(dialog, nullptr) << "error " << ::GetLastError();
        const auto font = reinterpret_cast<HFONT>(::SendMessageW(dialog, WM_GETFONT, 0, 0));
        EXPECT_NE(font, nullptr);
        RECT baseUnits{0, 0, 4, 8};
        ::MapDialogRect(dialog, &baseUnits);

        int measured = 0;
        for (HWND control = ::GetWindow(dialog, GW_CHILD); control; control = ::GetWindow(control, GW_HWNDNEXT)) {
            const std::wstring text = testing_support::TextOf(control);
            if (text.empty() || ShowsPicture(control))
                continue;
            SCOPED_TRACE(testing::Message() << testing::PrintToString(text) << " in a "
                                            << testing::PrintToString(testing_support::ClassOf(control)));
            const std::optional<TextLayout> layout = LayoutOfText(control);
            if (!layout) {
                ADD_FAILURE() << "no rule for how this control draws its text";
                continue;
            }
            EXPECT_EQ(reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0)), font);

            const HDC dc = ::GetDC(control);
            const HGDIOBJ oldFont = ::SelectObject(dc, font);
            // Wrapped as the control wraps it, within the width it has ...
            const int width = layout->area.right - layout->area.left;
            const int height = layout->area.bottom - layout->area.top;
            RECT drawn{0, 0, width, 0};
            ::DrawTextW(dc, text.c_str(), -1, &drawn, layout->drawFlags | DT_CALCRECT);
            // ... and on one line, for the figures.
            RECT line{};
            ::DrawTextW(dc, text.c_str(), -1, &line, (layout->drawFlags & DT_NOPREFIX) | DT_SINGLELINE | DT_CALCRECT);
            ::SelectObject(dc, oldFont);
            ::ReleaseDC(control, dc);

            EXPECT_LE(drawn.right - drawn.left, width) << "too wide";
            EXPECT_LE(drawn.bottom - drawn.top, height) << "too tall: cut off below its first lines";
            std::printf("dialog %u: %-36ls %3ld x %2ld px in %3d x %2d px (%5.1f of %5.1f dialog units wide)\n",
                        unsigned{id}, (L"\"" + text + L"\"").c_str(), line.right - line.left, drawn.bottom - drawn.top,
                        width, height, 4.0 * (line.right - line.left) / baseUnits.right,
                        4.0 * width / baseUnits.right);
            ++measured;
        }
        // The dialog's texts: a group box, two labels and two buttons; three lines and a button.
        EXPECT_EQ(measured, id == IDD_SETTINGS ? 5 : 4);
        ::DestroyWindow(dialog);
    }
}

TEST_F(DialogTemplateTest, DescriptionAndAboutMenuStrings)
{
    EXPECT_EQ(LoadString(IDS_DESCRIPTION), L"Brimstar");
    EXPECT_EQ(LoadString(IDS_ABOUT_MENU), L"&About Brimstar...");
}

}  // namespace
