#include "ProductTable.h"

#include "../ui/resource.h"

const Product kProducts[4] = {
    { IDC_OPTION_ACROBAT, "Acrobat4\\ar40eng.exe", Preparation::None, true },
    { IDC_OPTION_KIT, "VoUsb.ins\\disk1\\setup.exe", Preparation::PrepareKit, true },
    { IDC_OPTION_KEIL, "Keil4k.ins\\disk1\\setup.exe", Preparation::None, true },
    { IDC_OPTION_CABLE_TEST, "CTst.ins\\disk1\\setup.exe", Preparation::RemoveAllDeviceKeys, false },
};

const Product* FindProduct(int index)
{
    if (index < 0 || index >= static_cast<int>(sizeof kProducts / sizeof kProducts[0]))
        return nullptr;
    return &kProducts[index];
}
