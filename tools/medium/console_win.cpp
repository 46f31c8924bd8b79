#include <windows.h>

// The tool writes UTF-8; a Windows console shows it as such only when told.
void prepareConsole() {
    SetConsoleOutputCP(CP_UTF8);
    SetConsoleCP(CP_UTF8);
}
