// launcher/Startup.h - the application object of setup and its start-up routine.
#pragma once
#include "framework/App.h"

class CSetupApp : public CWinApp {
public:
    int RunStartup() override;
};
