// A program that imports GetTickCount64, which Windows XP lacks: the XP
// import check must refuse it.
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0600
#include <windows.h>

int main() {
    return GetTickCount64() == 0 ? 1 : 0;
}
