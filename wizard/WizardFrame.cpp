// wizard/WizardFrame.cpp - placeholder until the wizard lands: behaves as a cancelled wizard.
#include "wizard/WizardFrame.h"

CWizardFrameDlg::CWizardFrameDlg() {}

INT_PTR CWizardFrameDlg::DoModal()
{
    return IDCANCEL;
}
