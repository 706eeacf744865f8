// resource_library/HostContract.h - the call PixRes5.dll makes into the program that loads it.
#pragma once
#include <windows.h>

// The loading program exports this function under the plain name "PX5Callback". The library
// calls it once, while it is being attached to the process:
//   hHost     the program's own module, GetModuleHandleA(NULL);
//   hLibrary  the module named "PixRes5.dll" (NULL when the library file has another name).
// Nonzero lets the load succeed; zero makes LoadLibrary fail.
//
// Calling convention: __cdecl, the C default. A plain C export then carries its undecorated
// name on i686 with no .def alias or --kill-at, and since the caller restores the stack, a
// host that gets the argument count wrong cannot unbalance the loader's stack. On x86_64 there
// is one convention and the keyword has no effect.
//
// A program without the export (a resource editor, a viewer, our own tests) still loads the
// library: nothing is called and the load succeeds, so the resources stay readable.
#define PX5_CALLBACK_NAME "PX5Callback"
#define PX5_LIBRARY_NAME "PixRes5.dll"

typedef int(__cdecl* PX5CallbackProc)(HMODULE hHost, HMODULE hLibrary);
