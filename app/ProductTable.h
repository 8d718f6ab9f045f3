// The products on the medium: what each option starts and what it prepares first.
#pragma once

enum class Preparation { None, PrepareKit, RemoveAllDeviceKeys };

struct Product
{
    int optionId;           // the option button in the selection dialog
    const char* setupPath;  // relative to the medium's root; started as it stands
    Preparation preparation;
    bool offered;           // shown to the user, so tested for on the medium
};

// Indexed by the product index, the option's position in the dialog's group.
extern const Product kProducts[4];

// The row of a product index, or null for any index outside the table (-1: none chosen).
const Product* FindProduct(int index);

// The kit's setup program also marks the medium's root.
const char* const kMediumMarker = "VoUsb.ins\\disk1\\setup.exe";
