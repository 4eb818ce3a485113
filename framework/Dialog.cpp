#include "framework/Dialog.h"

#include "framework/WinApp.h"

namespace framework {

thread_local CDialog* CDialog::t_dialogBeingCreated = nullptr;

HWND CDialog::OwnerWindow() const
{
    if (m_pParentWnd)
        return m_pParentWnd->m_hWnd;
    // Without a named parent the dialog belongs to the application's main window, which must wait
    // while the dialog runs (the About box over the settings dialog).
    CWinApp* app = AfxGetApp();
    return app && app->m_pMainWnd && app->m_pMainWnd != this ? app->m_pMainWnd->m_hWnd : nullptr;
}

INT_PTR CDialog::DoModal()
{
    t_dialogBeingCreated = this;
    const INT_PTR result = ::DialogBoxParamW(AfxFindResourceHandle(MAKEINTRESOURCEW(m_templateId), RT_DIALOG),
                                             MAKEINTRESOURCEW(m_templateId), OwnerWindow(),
                                             &CDialog::DialogProc, 0);
    // The window's end has already unbound the object, which may be gone with it.
    t_dialogBeingCreated = nullptr;
    return result;
}

BOOL CDialog::UpdateData(BOOL saveAndValidate)
{
    CDataExchange dx(this, saveAndValidate);
    DoDataExchange(&dx);
    return TRUE;
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    if (UpdateData(TRUE))
        EndDialog(IDOK);
}

BOOL CDialog::OnHelpInfo(HELPINFO*)
{
    if (CWinApp* app = AfxGetApp())
        app->OnCmdMsg(ID_HELP);
    return TRUE;
}

bool CDialog::ProcessWindowMessage(const Message& m, LRESULT& result)
{
    return MessageMap::Dispatch(*this, m, result);
}

LRESULT CDialog::DefaultProcessing(const Message&)
{
    // Calling the dialog manager from inside its own dialog procedure would recurse; it runs when
    // the procedure returns FALSE instead.
    return 0;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    auto* dialog = reinterpret_cast<CDialog*>(::GetWindowLongPtrW(hWnd, DWLP_USER));
    if (!dialog) {
        dialog = t_dialogBeingCreated;
        if (!dialog)
            return FALSE;
        t_dialogBeingCreated = nullptr;
        dialog->m_hWnd = hWnd;
        ::SetWindowLongPtrW(hWnd, DWLP_USER, reinterpret_cast<LONG_PTR>(dialog));
    }

    if (msg == WM_NCDESTROY) {
        ::SetWindowLongPtrW(hWnd, DWLP_USER, 0);
        // The modal loop ends by itself: the dialog leaves the main-window slot without a quit.
        dialog->EndOfWindow(false);
        return FALSE;
    }

    const Message m{msg, wParam, lParam};
    LRESULT result = 0;
    bool passedOn = false;
    const bool handled = dialog->Dispatch(m, result, &passedOn);
    if (!handled || passedOn)
        return FALSE;
    if (msg == WM_INITDIALOG)
        return result;  // TRUE: the system puts the focus on the first tab stop
    ::SetWindowLongPtrW(hWnd, DWLP_MSGRESULT, result);
    return TRUE;
}

void DDX_Control(CDataExchange* pDX, int id, CWnd& control)
{
    if (!control.m_hWnd)
        control.AttachBorrowed(::GetDlgItem(pDX->m_pDlgWnd->m_hWnd, id));
}

void DDX_Scroll(CDataExchange* pDX, int id, int& value)
{
    HWND bar = ::GetDlgItem(pDX->m_pDlgWnd->m_hWnd, id);
    if (pDX->m_bSaveAndValidate)
        value = ::GetScrollPos(bar, SB_CTL);
    else
        ::SetScrollPos(bar, SB_CTL, value, TRUE);
}

std::wstring LoadResourceString(UINT id)
{
    wchar_t text[256] = {};
    const int length = ::LoadStringW(AfxFindResourceHandle(nullptr, RT_STRING), id, text, 256);
    return std::wstring(text, length > 0 ? length : 0);
}

}  // namespace framework
