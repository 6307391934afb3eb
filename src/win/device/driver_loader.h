// Loads the instrument driver QvRun.dll into the Driver table by the exact export names. When the
// DLL is missing, cannot be loaded or lacks an export, the table is the null driver (no
// instrument: demo mode) and the result says which problem it was, for the start-up message.
#pragma once

#include <windows.h>

#include "device/driver.h"
#include "support/strings.h"

#include <string>

namespace qv::win {

inline constexpr const char* driverLibraryName = "QvRun.dll";

enum class DriverProblem { None, NotFound, LoadFailed, ExportMissing };

struct DriverLoad {
    Driver driver; // every member set: the DLL's functions or the null driver's
    DriverProblem problem = DriverProblem::None;
    DWORD systemError = 0; // LoadLibrary's error, for NotFound and LoadFailed
    std::string missingExport; // the first export not found, for ExportMissing
    HMODULE module = nullptr; // the loaded DLL, kept until unloadDriver

    // The message naming the problem (Msg::None when there is none) and the text for its %s: the
    // missing export, or the system's reason in words with its number.
    Msg messageId() const;
    std::wstring messageArgument() const;
};

// path: a file name searched the way LoadLibrary searches (the program's directory first), or a path.
DriverLoad loadDriver(const char* path = driverLibraryName);

// Frees the DLL (after qvShutdown) and leaves the null driver in the table.
void unloadDriver(DriverLoad& load);

// Shows the problem as an error box (caption 10002); nothing when the driver loaded.
void reportDriverProblem(HWND owner, const DriverLoad& load);

// Every function present, each behaving as "no instrument": an empty device list, handle -1,
// failure results, zeroed out words.
Driver nullDriver();

} // namespace qv::win
