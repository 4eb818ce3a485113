#pragma once
// Modal dialogs from templates, their data exchange, and the scroll bar control.
#include "framework/Wnd.h"

#include <string>

namespace framework {

class CDialog;

// The direction of one data exchange: toward the controls, or back into the members.
class CDataExchange {
public:
    CDataExchange(CDialog* dialog, BOOL saveAndValidate) : m_pDlgWnd(dialog), m_bSaveAndValidate(saveAndValidate) {}

    CDialog* m_pDlgWnd;
    BOOL m_bSaveAndValidate;
};

// A scroll bar control of a dialog; the dialog owns the control's window.
class CScrollBar : public CWnd {
public:
    int GetScrollPos() const { return ::GetScrollPos(m_hWnd, SB_CTL); }
    int SetScrollPos(int position, BOOL redraw = TRUE) { return ::SetScrollPos(m_hWnd, SB_CTL, position, redraw); }
    void SetScrollRange(int minimum, int maximum, BOOL redraw = TRUE)
    {
        ::SetScrollRange(m_hWnd, SB_CTL, minimum, maximum, redraw);
    }
};

// A modal dialog built on a dialog template of this program's resources.
//
// Its messages reach the dialog procedure, whose default processing is the dialog manager's own:
// a handler that passes a message on (Default()) lets the dialog manager process it after the
// handler returns. WM_INITDIALOG, IDOK, IDCANCEL and WM_HELP have default rows here; a derived
// dialog lists its own WM_INITDIALOG row and calls CDialog::OnInitDialog first.
class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId, CWnd* parent = nullptr) : m_templateId(templateId), m_pParentWnd(parent) {}

    // Runs the dialog to its end: the result given to EndDialog, or -1 when it could not be made.
    // Without a parent, the application's main window is the owner and is disabled meanwhile.
    INT_PTR DoModal();
    void EndDialog(int result) { ::EndDialog(m_hWnd, result); }
    // Exchanges data with the controls: toward the members when saveAndValidate is TRUE.
    BOOL UpdateData(BOOL saveAndValidate = TRUE);

    BOOL OnInitDialog();
    void OnOK();
    void OnCancel() { EndDialog(IDCANCEL); }
    BOOL OnHelpInfo(HELPINFO*);

    using MessageMap = framework::MessageMap<CDialog, CWnd,
        On<WM_INITDIALOG, &CDialog::OnInitDialog>,
        OnCommand<IDOK, &CDialog::OnOK>,
        OnCommand<IDCANCEL, &CDialog::OnCancel>,
        On<WM_HELP, &CDialog::OnHelpInfo>>;

protected:
    virtual void DoDataExchange(CDataExchange*) {}
    bool ProcessWindowMessage(const Message& m, LRESULT& result) override;
    LRESULT DefaultProcessing(const Message& m) override;

private:
    // The window that waits while the dialog runs: the parent, else the application's main window.
    HWND OwnerWindow() const;
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static thread_local CDialog* t_dialogBeingCreated;

    UINT m_templateId;
    CWnd* m_pParentWnd;

    friend class CWnd;
};

void DDX_Control(CDataExchange* pDX, int id, CWnd& control);
void DDX_Scroll(CDataExchange* pDX, int id, int& value);

// A string of this program's string table; empty when there is none.
std::wstring LoadResourceString(UINT id);

}  // namespace framework
