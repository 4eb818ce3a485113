#include "settings/SettingsDlg.h"

#include "resources/resource.h"
#include "settings/AboutBox.h"
#include "settings/ScrollStep.h"

CSettingsDlg::CSettingsDlg() : framework::CDialog(IDD_SETTINGS), m_preview(FALSE) {}

void CSettingsDlg::DoDataExchange(framework::CDataExchange* pDX)
{
    framework::DDX_Control(pDX, IDC_SPEED, m_speedBar);
    framework::DDX_Scroll(pDX, IDC_SPEED, m_speed);
}

BOOL CSettingsDlg::OnInitDialog()
{
    framework::CDialog::OnInitDialog();

    // The preview takes the place of the hidden placeholder control. When the dialog moves to a
    // monitor of another scale, the dialog manager re-lays out all of the dialog's immediate
    // child windows, this one with the placeholder, so the two stay together without help.
    RECT place{};
    GetDlgItem(IDC_PREVIEW)->GetWindowRect(&place);
    ScreenToClient(&place);
    m_preview.Create(0, WS_CHILD | WS_VISIBLE, place, this, 0, nullptr);
    // Its window read the stored speed; it runs at the dialog's value instead.
    m_preview.SetSpeed(m_speed);

    m_speedBar.SetScrollRange(scroll::kSlowest, scroll::kFastest, TRUE);
    m_speedBar.SetScrollPos(m_speed, TRUE);
    CenterWindow();

    const std::wstring aboutItem = framework::LoadResourceString(IDS_ABOUT_MENU);
    if (!aboutItem.empty()) {
        HMENU systemMenu = GetSystemMenu(FALSE);
        ::AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
        ::AppendMenuW(systemMenu, MF_STRING, IDM_ABOUT, aboutItem.c_str());
    }
    return TRUE;
}

void CSettingsDlg::OnHScroll(UINT code, UINT position, HWND scrollBar)
{
    const int current = ::GetScrollPos(scrollBar, SB_CTL);
    ::SetScrollPos(scrollBar, SB_CTL, scroll::NextPosition(code, current, static_cast<int>(position)), TRUE);
    // The preview follows the bar at once; the stored value changes only on OK.
    m_preview.SetSpeed(m_speedBar.GetScrollPos());
    Default();
}

void CSettingsDlg::OnSysCommand(UINT command, LPARAM)
{
    if ((command & 0xFFF0) == IDM_ABOUT) {
        CAboutBox about;
        about.DoModal();
        return;
    }
    Default();
}
