// standin/ResourceLibraryUse.cpp - placeholder: filled in with the resource library.
#include "standin/ResourceLibraryUse.h"

bool StandinUseResourceLibrary(const char*) { return false; }
