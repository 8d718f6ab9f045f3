// The program's entry point hands over to the framework's start-up body.
#include "FwApp.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show)
{
    return AfxWinMain(instance, previous, commandLine, show);
}

// Nothing is shown when the program would end on an uncaught exception, so
// the runtime's default handler, which prints the demangled type, is not needed.
#include <cstdlib>
namespace __gnu_cxx {
void __verbose_terminate_handler()
{
    std::abort();
}
}  // namespace __gnu_cxx
