#include "settings/AboutBox.h"

#include "resources/resource.h"

CAboutBox::CAboutBox() : framework::CDialog(IDD_ABOUT) {}

BOOL CAboutBox::OnInitDialog()
{
    framework::CDialog::OnInitDialog();
    CenterWindow();
    return TRUE;
}
