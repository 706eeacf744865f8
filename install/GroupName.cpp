// install/GroupName.cpp - placeholder: filled in by its own change.
#include "install/GroupName.h"
void NormaliseGroupName(std::string&) {}
