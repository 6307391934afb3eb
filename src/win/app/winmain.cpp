// Program entry: the whole run is start-up, the message loop and shutdown (app/startup).
#include <windows.h>

#include "app/app_state.h"
#include "app/startup.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    // Which key the carried updater trusts, from the build (cmake/windows.cmake).
    qv::win::app().updateTrust = static_cast<qv::UpdateTrust>(QV_UPDATE_TRUST);
    return qv::win::runApplication(instance, showCommand);
}
