#include "app/ScreenSaverApp.h"

#include "animation/AnimationWnd.h"
#include "animation/FullScreenWnd.h"
#include "app/CommandLine.h"
#include "settings/SettingsDlg.h"

#include <stdlib.h>

BOOL CScreenSaverApp::InitInstance()
{
    Enable3dControls();
    // Before any window: an animation window reads the speed while it is being created.
    SetRegistryKey(kCompanyKey);

    const StartRequest request = SelectMode(__argc, __argv);
    switch (request.mode) {
    case Mode::Settings:
        RunSettingsDialog();
        return FALSE;
    case Mode::Preview: {
        // Without a host window there is nothing to draw into: end at once.
        HWND host = request.parentHandle ? reinterpret_cast<HWND>(static_cast<LONG_PTR>(*request.parentHandle))
                                         : nullptr;
        framework::CWnd* parent = framework::CWnd::FromHandle(host);
        if (!parent)
            return FALSE;
        m_pMainWnd = StartPreview(parent);
        // A host that closes its window while the preview is being made can leave the preview
        // without a parent, where no end would ever reach it: with the host gone, end at once.
        if (m_pMainWnd && !::IsWindow(host))
            m_pMainWnd->DestroyWindow();
        return m_pMainWnd != nullptr;
    }
    case Mode::Saver:
        m_pMainWnd = StartSaver();
        return m_pMainWnd != nullptr;
    case Mode::None:
        break;
    }
    return FALSE;
}

void CScreenSaverApp::RunSettingsDialog()
{
    CSettingsDlg dialog;
    dialog.m_speed = GetProfileInt(kConfigSection, kSpeedEntry, 5);
    m_pMainWnd = &dialog;
    const INT_PTR result = dialog.DoModal();
    if (m_pMainWnd == &dialog)
        m_pMainWnd = nullptr;
    if (result == IDOK)
        WriteProfileInt(kConfigSection, kSpeedEntry, dialog.m_speed);
}
