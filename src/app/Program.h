#pragma once
// The program's run, shared by the program and its test build over the simulated store: install the
// platform's services, make the windows, show the main window and serve messages until it closes.

#include "platform/FileServices.h"

#include <functional>

class TFrmMain;

// files: the file services the windows and threads use (the real ones, or the simulated store).
// afterShow runs once the main window shows, before the message loop. Answers the exit code.
int runProgram(plat::TFileServices& files, const std::function<void(TFrmMain&)>& afterShow);
