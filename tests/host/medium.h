// Install media for the host tests: the products' setup programs under a root.
#pragma once
#include "fakewin/fakewin.h"

#include <string>

namespace medium {

const char* const kAcrobat = "Acrobat4\\ar40eng.exe";
const char* const kKit = "VoUsb.ins\\disk1\\setup.exe";  // also the medium's marker
const char* const kKeil = "Keil4k.ins\\disk1\\setup.exe";
const char* const kCableTest = "CTst.ins\\disk1\\setup.exe";

struct Products
{
    bool acrobat = true;
    bool kit = true;
    bool keil = true;
};

// root: a full folder with its trailing backslash, "E:\" or "C:\Medium\".
inline void Lay(const std::string& root, Products products = {})
{
    if (products.acrobat)
        fake::AddFile(root + kAcrobat);
    if (products.kit)
        fake::AddFile(root + kKit);
    if (products.keil)
        fake::AddFile(root + kKeil);
    fake::AddFile(root + kCableTest);
}

}  // namespace medium
