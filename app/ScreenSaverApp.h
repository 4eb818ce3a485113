#pragma once
#include "framework/WinApp.h"

// The screen saver: picks the mode the host asked for and hands over to its window.
class CScreenSaverApp : public framework::CWinApp {
public:
    CScreenSaverApp() = default;

    BOOL InitInstance() override;
    // Runs the settings dialog to its end, storing the speed when the user chooses OK.
    void RunSettingsDialog();

    using MessageMap = framework::MessageMap<CScreenSaverApp, framework::CWinApp,
        framework::OnCommand<framework::ID_HELP, &framework::CWinApp::OnHelp>>;

protected:
    bool ProcessWindowMessage(const framework::Message& m, LRESULT& result) override
    {
        return MessageMap::Dispatch(*this, m, result);
    }
};

// Where the speed setting lives in the profile.
inline constexpr wchar_t kCompanyKey[] = L"Tarnwick Inc.";
inline constexpr wchar_t kConfigSection[] = L"Config";
inline constexpr wchar_t kSpeedEntry[] = L"Speed";
