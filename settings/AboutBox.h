#pragma once
// The About box: the product's name and version and two credit lines.
#include "framework/Dialog.h"

class CAboutBox : public framework::CDialog {
public:
    CAboutBox();

protected:
    BOOL OnInitDialog();

public:
    using MessageMap = framework::MessageMap<CAboutBox, framework::CDialog,
        framework::On<WM_INITDIALOG, &CAboutBox::OnInitDialog>>;

protected:
    bool ProcessWindowMessage(const framework::Message& m, LRESULT& result) override
    {
        return MessageMap::Dispatch(*this, m, result);
    }
};
