/* A hardened program that declares Windows 7 and imports a function Windows 7 lacks. */
#include <windows.h>

int main(void) {
    return SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32) ? 0 : 1;
}
