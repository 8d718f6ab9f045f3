// Stands in for a product's setup program on a test medium: records that it
// ran, how and where, and returns at once (a console program, so that WinExec
// in the caller does not wait for it to become idle).
#include "stub-log.h"

int main() {
    stubLog("setup", stubStartDetail());
    return 0;
}
