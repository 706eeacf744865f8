// wizard/WizardFrame.h - the modal wizard frame of an interactive installation.
#pragma once
#include <windows.h>

class CWizardFrameDlg {
public:
    CWizardFrameDlg();
    // 1 after Finish, 2 after a confirmed cancellation, -1 when the frame cannot be created.
    INT_PTR DoModal();
};
