#pragma once
// The process-wide spreadsheet application behind the application reader
// (excel8WksIO): started on first need, ended by the clean-up export, and
// installed as TWksIO's application path.
#include "platform/engine/Automation.h"

#include <memory>

bool StartApplication();
// False when ending it raised an automation error; the application is then kept.
bool QuitApplication();
bool IsApplicationRunning();

// Host callbacks: after the application has started, after each workbook open.
using ApplicationHook = void (*)();
void SetApplicationStartNotification(ApplicationHook hook);
void SetApplicationPostOpenHook(ApplicationHook hook);

// Installs the application reader as the application path of TWksIO; the
// table sources' set-up does it before the first read (callable again).
void InstallExcel8WksIO();

// For the reader: the running application (null when none runs), and the
// host's post-open hook, called after each workbook it opens.
std::shared_ptr<dulo::engine::IApplication> RunningApplication();
void NotifyWorkbookOpened();
