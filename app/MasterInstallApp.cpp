#include "MasterInstallApp.h"

#include "../ui/MasterInstallDlg.h"
#include "ProductTable.h"

BEGIN_MESSAGE_MAP(CMasterInstallApp, CWinApp)
    ON_COMMAND(ID_HELP, CWinApp::OnHelp)
END_MESSAGE_MAP()

BOOL CMasterInstallApp::InitInstance()
{
    Enable3dControlsStatic();

    CMasterInstallDlg dialog(nullptr);
    if (dialog.DoModal() == IDOK)
        LaunchProduct(dialog.m_nProduct);
    return FALSE;
}

void CMasterInstallApp::LaunchProduct(int index)
{
    const Product* product = FindProduct(index);
    if (!product)
        return;

    switch (product->preparation) {
    case Preparation::None:
        break;
    case Preparation::PrepareKit:
        if (!PrepareKit())
            return;
        break;
    case Preparation::RemoveAllDeviceKeys:
        RemoveAllDeviceKeys();
        break;
    }
    // The relative path as it stands: run from the medium's root, it names the setup program there.
    ::WinExec(product->setupPath, SW_SHOWNOACTIVATE);
}
