// Program entry: the whole run is start-up, the message loop and shutdown (app/startup).
#include <windows.h>

#include "app/startup.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    return qv::win::runApplication(instance, showCommand);
}
