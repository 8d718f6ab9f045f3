// The one application object, made before the start-up body runs.
#include "MasterInstallApp.h"

CMasterInstallApp theApp;
