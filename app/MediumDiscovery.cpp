#include "MediumDiscovery.h"

#include "ProductTable.h"

namespace {

bool IsPresent(const CString& root, const char* relativePath)
{
    CFileStatus status;
    return CFile::GetStatus(root + relativePath, status) != FALSE;
}

}  // namespace

CString FindMediumRoot()
{
    CString root(".\\");
    if (IsPresent(root, kMediumMarker))
        return root;
    for (char letter = 'D'; letter <= 'Z'; ++letter) {
        root.Format("%c:\\", letter);
        if (GetDriveTypeA(root) == DRIVE_CDROM && IsPresent(root, kMediumMarker))
            return root;
    }
    return root;  // the last letter formatted: Z:\ .
}

void DisableMissingProducts(CWnd& dialog, const CString& root)
{
    for (const Product& product : kProducts) {
        if (product.offered && !IsPresent(root, product.setupPath))
            dialog.GetDlgItem(product.optionId)->EnableWindow(FALSE);
    }
}
