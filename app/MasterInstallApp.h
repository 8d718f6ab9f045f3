// The application: one pass from the product choice to the product's setup program.
#pragma once
#include "../framework/Framework.h"

class CMasterInstallApp : public CWinApp
{
public:
    CMasterInstallApp() = default;

    // Shows the selection dialog once and acts on the answer; always FALSE,
    // so the message loop never runs.
    BOOL InitInstance() override;
    // Prepares the machine for a product index and starts its setup program;
    // an index outside the product table starts nothing.
    void LaunchProduct(int index);

    // Removal of an earlier kit installation. FALSE: stop, start nothing.
    BOOL PrepareKit();

    // The kit's device registrations (all silent).
    void RemoveAllDeviceKeys();
    void ClearDeviceInstances();
    void RemoveDeviceKey(const char* devicePath);
    void DeleteSubKeys(HKEY key);

    DECLARE_MESSAGE_MAP()
};
