#pragma once
// The settings dialog: one speed bar from Slow to Fast and a live preview beside the buttons.
#include "animation/AnimationWnd.h"
#include "framework/Dialog.h"

class CSettingsDlg : public framework::CDialog {
public:
    CSettingsDlg();

    framework::CScrollBar m_speedBar;
    int m_speed = 0;
    CAnimationWnd m_preview;

protected:
    void DoDataExchange(framework::CDataExchange* pDX) override;

    BOOL OnInitDialog();
    void OnHScroll(UINT code, UINT position, HWND scrollBar);
    void OnSysCommand(UINT command, LPARAM lParam);

public:
    using MessageMap = framework::MessageMap<CSettingsDlg, framework::CDialog,
        framework::On<WM_INITDIALOG, &CSettingsDlg::OnInitDialog>,
        framework::On<WM_HSCROLL, &CSettingsDlg::OnHScroll>,
        framework::On<WM_SYSCOMMAND, &CSettingsDlg::OnSysCommand>>;

protected:
    bool ProcessWindowMessage(const framework::Message& m, LRESULT& result) override
    {
        return MessageMap::Dispatch(*this, m, result);
    }
};
