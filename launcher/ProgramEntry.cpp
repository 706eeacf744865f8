// launcher/ProgramEntry.cpp - setup.exe's first instruction, linked into setup.exe alone.
#include "platform/LinkSafeDelete.h"
#include "platform/SystemLibrary.h"

extern "C" int WinMainCRTStartup(void);

// setup.exe is linked with this as its entry point: the library search is restricted before the
// C runtime and the process-wide objects start, so that nothing they load can come from the
// folder the program was started from; and from then on Windows follows no link for it that a
// user without administrator rights made. The i686 loader calls it with the stack aligned to 4
// bytes only.
extern "C" __attribute__((force_align_arg_pointer)) int ProgramEntry(void)
{
    RestrictLibrarySearch();
    TurnOnRedirectionGuard();
    return WinMainCRTStartup();
}
