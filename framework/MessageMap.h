#pragma once
// Compile-time message maps.
//
// A window class lists its messages as rows of a type:
//
//     using MessageMap = framework::MessageMap<CMyWnd, CWnd,
//         framework::On<WM_TIMER, &CMyWnd::OnTimer>,
//         framework::OnCommand<IDOK, &CMyWnd::OnOK>>;
//
// Each row names the message and a member function whose signature is fixed by the message's
// cracker below, so a handler with the wrong parameters does not compile. Dispatch is a chain of
// comparisons the compiler lays out, then the base class's map, then the window's default
// processing: there is no table to search and no virtual function per message.
#include <windows.h>

#include <type_traits>

namespace framework {

struct Message {
    UINT id;
    WPARAM wParam;
    LPARAM lParam;
};

// Signed client coordinates packed into an LPARAM (the low and high words, sign-extended).
inline POINT PointFromLParam(LPARAM lParam)
{
    return POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
}

// Crackers: for each supported message, the handler's signature and how to call it.
// A message without a cracker cannot appear in a map.
template <UINT Msg> struct Cracker;

template <> struct Cracker<WM_CREATE> {
    using Signature = int(LPCREATESTRUCT);
    template <class W, class H> static LRESULT Call(W& w, H h, const Message& m)
    { return (w.*h)(reinterpret_cast<LPCREATESTRUCT>(m.lParam)); }
};
template <> struct Cracker<WM_DESTROY> {
    using Signature = void();
    template <class W, class H> static LRESULT Call(W& w, H h, const Message&) { (w.*h)(); return 0; }
};
template <> struct Cracker<WM_PAINT> : Cracker<WM_DESTROY> {};
template <> struct Cracker<WM_CLOSE> : Cracker<WM_DESTROY> {};
template <> struct Cracker<WM_TIMER> {
    using Signature = void(UINT_PTR);
    template <class W, class H> static LRESULT Call(W& w, H h, const Message& m) { (w.*h)(m.wParam); return 0; }
};
template <> struct Cracker<WM_SYSCOMMAND> {
    using Signature = void(UINT, LPARAM);
    template <class W, class H> static LRESULT Call(W& w, H h, const Message& m)
    { (w.*h)(static_cast<UINT>(m.wParam), m.lParam); return 0; }
};
template <> struct Cracker<WM_SETCURSOR> {
    using Signature = BOOL(HWND, UINT, UINT);
    template <class W, class H> static LRESULT Call(W& w, H h, const Message& m)
    { return (w.*h)(reinterpret_cast<HWND>(m.wParam), LOWORD(m.lParam), HIWORD(m.lParam)); }
};
template <> struct Cracker<WM_NCACTIVATE> {
    using Signature = BOOL(BOOL);
    template <class W, class H> static LRESULT Call(W& w, H h, const Message& m)
    { return (w.*h)(static_cast<BOOL>(m.wParam)); }
};
template <> struct Cracker<WM_ACTIVATE> {
    // state (WA_*), the other window, minimized
    using Signature = void(UINT, HWND, BOOL);
    template <class W, class H> static LRESULT Call(W& w, H h, const Message& m)
    { (w.*h)(LOWORD(m.wParam), reinterpret_cast<HWND>(m.lParam), HIWORD(m.wParam) != 0); return 0; }
};
template <> struct Cracker<WM_ACTIVATEAPP> {
    using Signature = void(BOOL, DWORD);
    template <class W, class H> static LRESULT Call(W& w, H h, const Message& m)
    { (w.*h)(static_cast<BOOL>(m.wParam), static_cast<DWORD>(m.lParam)); return 0; }
};
template <> struct Cracker<WM_DISPLAYCHANGE> {
    // the screen's new bits per pixel, width and height
    using Signature = void(UINT, int, int);
    template <class W, class H> static LRESULT Call(W& w, H h, const Message& m)
    { (w.*h)(static_cast<UINT>(m.wParam), LOWORD(m.lParam), HIWORD(m.lParam)); return 0; }
};
template <> struct Cracker<WM_POWERBROADCAST> {
    // the power event (PBT_*) and its data: for PBT_POWERSETTINGCHANGE a POWERBROADCAST_SETTING
    using Signature = BOOL(UINT, LPARAM);
    template <class W, class H> static LRESULT Call(W& w, H h, const Message& m)
    { return (w.*h)(static_cast<UINT>(m.wParam), m.lParam); }
};
#ifndef WM_DPICHANGED_AFTERPARENT
#define WM_DPICHANGED_AFTERPARENT 0x02E3  // Windows 10 version 1703 and later
#endif
template <> struct Cracker<WM_DPICHANGED> {
    // the new dots per inch (the same on both axes) and the size and place the system suggests
    using Signature = void(UINT, const RECT*);
    template <class W, class H> static LRESULT Call(W& w, H h, const Message& m)
    { (w.*h)(LOWORD(m.wParam), reinterpret_cast<const RECT*>(m.lParam)); return 0; }
};
template <> struct Cracker<WM_DPICHANGED_AFTERPARENT> : Cracker<WM_DESTROY> {};
// Mouse messages: key-state flags and the pointer's client position.
template <> struct Cracker<WM_MOUSEMOVE> {
    using Signature = void(UINT, POINT);
    template <class W, class H> static LRESULT Call(W& w, H h, const Message& m)
    { (w.*h)(static_cast<UINT>(m.wParam), PointFromLParam(m.lParam)); return 0; }
};
template <> struct Cracker<WM_LBUTTONDOWN> : Cracker<WM_MOUSEMOVE> {};
template <> struct Cracker<WM_MBUTTONDOWN> : Cracker<WM_MOUSEMOVE> {};
template <> struct Cracker<WM_RBUTTONDOWN> : Cracker<WM_MOUSEMOVE> {};
// Key messages: virtual key, repeat count, the flags word.
template <> struct Cracker<WM_KEYDOWN> {
    using Signature = void(UINT, UINT, UINT);
    template <class W, class H> static LRESULT Call(W& w, H h, const Message& m)
    { (w.*h)(static_cast<UINT>(m.wParam), LOWORD(m.lParam), HIWORD(m.lParam)); return 0; }
};
template <> struct Cracker<WM_SYSKEYDOWN> : Cracker<WM_KEYDOWN> {};
template <> struct Cracker<WM_HSCROLL> {
    // scroll code, thumb position, the scroll bar control
    using Signature = void(UINT, UINT, HWND);
    template <class W, class H> static LRESULT Call(W& w, H h, const Message& m)
    { (w.*h)(LOWORD(m.wParam), HIWORD(m.wParam), reinterpret_cast<HWND>(m.lParam)); return 0; }
};
template <> struct Cracker<WM_INITDIALOG> {
    using Signature = BOOL();
    template <class W, class H> static LRESULT Call(W& w, H h, const Message&) { return (w.*h)(); }
};
template <> struct Cracker<WM_HELP> {
    using Signature = BOOL(HELPINFO*);
    template <class W, class H> static LRESULT Call(W& w, H h, const Message& m)
    { return (w.*h)(reinterpret_cast<HELPINFO*>(m.lParam)); }
};

namespace detail {
template <class Pointer> struct MemberFunction;
template <class Class, class Function> struct MemberFunction<Function Class::*> {
    using Owner = Class;
    using Signature = Function;
};

template <class Window, auto Handler, class Expected>
constexpr void CheckHandler()
{
    using Member = MemberFunction<decltype(Handler)>;
    static_assert(std::is_same_v<typename Member::Signature, Expected>,
                  "the handler's signature does not match its message");
    static_assert(std::is_base_of_v<typename Member::Owner, Window>,
                  "the handler belongs to another class");
}
}  // namespace detail

// One row: a message and its handler.
template <UINT Msg, auto Handler>
struct On {
    template <class Window>
    static bool Dispatch(Window& window, const Message& m, LRESULT& result)
    {
        detail::CheckHandler<Window, Handler, typename Cracker<Msg>::Signature>();
        if (m.id != Msg)
            return false;
        using Owner = typename detail::MemberFunction<decltype(Handler)>::Owner;
        result = Cracker<Msg>::Call(static_cast<Owner&>(window), Handler, m);
        return true;
    }
};

// One row for a command: a WM_COMMAND whose identifier is Id, handled by a void() member.
template <UINT Id, auto Handler>
struct OnCommand {
    template <class Window>
    static bool Dispatch(Window& window, const Message& m, LRESULT& result)
    {
        detail::CheckHandler<Window, Handler, void()>();
        if (m.id != WM_COMMAND || LOWORD(m.wParam) != Id)
            return false;
        using Owner = typename detail::MemberFunction<decltype(Handler)>::Owner;
        (static_cast<Owner&>(window).*Handler)();
        result = 0;
        return true;
    }
};

// The end of every chain: nothing handled.
struct EmptyMessageMap {
    template <class Window>
    static bool Dispatch(Window&, const Message&, LRESULT&) { return false; }
};

// A class's rows, then its base class's map.
template <class Window, class Base, class... Rows>
struct MessageMap {
    static bool Dispatch(Window& window, const Message& m, LRESULT& result)
    {
        return (Rows::Dispatch(window, m, result) || ...) ||
               Base::MessageMap::Dispatch(window, m, result);
    }
};

}  // namespace framework
