// platform/Process.h - this program's own file, and starting other programs.
#pragma once
#include <string>

// The whole path of the running program's file, however long; empty on failure. Callers that
// hand it to a path buffer check FitsPath: a cut path would name another file.
std::string GetOwnProgramPath();

// Starts the program as a new process with the whole command line (word 0 included) and does
// not wait for it; the process and thread handles are closed at once. False when it could not
// be started.
bool StartProgram(const std::string& program, const std::string& commandLine, bool inheritHandles);
