// launcher/ProgramEntry.cpp - setup.exe's first instruction, linked into setup.exe alone.
#include <windows.h>
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

// What the toolchain's start-up code would otherwise link in for setup.exe and the program does
// not use; each takes a definition here, so that the library's own is never pulled into the file:
// about a twentieth of the program. No datum is auto-imported from a library (a link that needed
// it would end the program at its first instruction, in every test); nothing uses
// thread-local storage, so the start-up code finds no thread-local initialiser to call; no
// floating-point error is reported through _matherr; and a crash goes to Windows' own handling
// instead of being turned into a C signal that nothing catches.
extern "C" {
extern char __RUNTIME_PSEUDO_RELOC_LIST__, __RUNTIME_PSEUDO_RELOC_LIST_END__;
void _pei386_runtime_relocator(void)
{
    if (&__RUNTIME_PSEUDO_RELOC_LIST__ != &__RUNTIME_PSEUDO_RELOC_LIST_END__)
        ::ExitProcess(3);
}
extern const PIMAGE_TLS_CALLBACK __dyn_tls_init_callback = NULL;
int __mingw_initltsdrot_force = 0;
int __mingw_initltsdyn_force = 0;
int __mingw_initltssuo_force = 0;
void __mingw_setusermatherr(int (__cdecl*)(struct _exception*)) {}
int __cdecl _matherr(struct _exception*) { return 0; }
LPTOP_LEVEL_EXCEPTION_FILTER __mingw_oldexcpt_handler = NULL;
LONG WINAPI _gnu_exception_handler(EXCEPTION_POINTERS*) { return EXCEPTION_CONTINUE_SEARCH; }
}
