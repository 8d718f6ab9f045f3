// Finding the install medium and disabling the products that it lacks.
#pragma once
#include "../framework/Framework.h"

// ".\" when the working directory holds the medium, else the first CD-ROM
// drive from D: to Z: that does; "Z:\" when none does.
CString FindMediumRoot();

// Disables, in the dialog, each offered product whose setup program is
// missing under the root. Never enables anything; the hidden option is left alone.
void DisableMissingProducts(CWnd& dialog, const CString& root);
