#include "sources/workbook/ExcelApplication.h"

#include "sources/workbook/excel8WksIO.h"

using dulo::engine::IApplication;

namespace {

std::shared_ptr<IApplication> g_application;
// Always 1 on this library's paths: the add-in refresh at start-up is skipped.
int g_visibleFlag = 1;
ApplicationHook g_startNotification = nullptr;
ApplicationHook g_postOpenHook = nullptr;

TWksIOInnards* CreateReader(const char* path, const char* sheetName) { return new excel8WksIO(path, sheetName); }

}  // namespace

bool StartApplication() {
    if (g_application) return true;
    std::shared_ptr<IApplication> app;
    try {
        app = dulo::engine::CreateApplication();
        if (!app) return false;
        app->SetVisible(false);
        app->SetDisplayAlerts(false);
        app->SetIgnoreRemoteRequests(true);
        if (g_visibleFlag == 0) {
            auto addIns = app->AddIns();
            for (long i = 1, n = addIns->Count(); i <= n; ++i) {
                auto addIn = addIns->Item(i);
                if (addIn->Installed()) {
                    addIn->SetInstalled(false);
                    addIn->SetInstalled(true);
                }
            }
        }
    } catch (const CComError&) {
        return false;
    }
    g_application = app;
    if (g_startNotification) g_startNotification();
    return true;
}

bool QuitApplication() {
    if (!g_application) return true;
    try {
        g_application->SetIgnoreRemoteRequests(false);
        g_application->Quit();
    } catch (const CComError&) {
        return false;
    }
    g_application.reset();
    return true;
}

bool IsApplicationRunning() { return static_cast<bool>(g_application); }

void SetApplicationStartNotification(ApplicationHook hook) { g_startNotification = hook; }
void SetApplicationPostOpenHook(ApplicationHook hook) { g_postOpenHook = hook; }

std::shared_ptr<IApplication> RunningApplication() { return g_application; }

void NotifyWorkbookOpened() {
    if (g_postOpenHook) g_postOpenHook();
}

void InstallExcel8WksIO() {
    TWksIOApplication application;
    application.IsRunning = &IsApplicationRunning;
    application.Start = &StartApplication;
    application.Create = &CreateReader;
    SetWksIOApplication(application);
}
