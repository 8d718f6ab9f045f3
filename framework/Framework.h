// The framework layer in one include.
#pragma once
#include "FwApp.h"
#include "FwDialog.h"
#include "FwFile.h"
#include "FwString.h"
#include "FwWnd.h"
