// Loading QvRun.dll: the real virtual instrument built beside this test with 0, 1 and 2
// instruments (QVRUN_DEVICES or QvRun.ini), its OS handle in a device notification filter, and the
// three ways a driver can fail to load, each ending in the null driver (demo mode) and a message.
#include "device/driver_loader.h"

#include "app/message_box.h"

#include <dbt.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace qv::win {
namespace {

std::string directoryOf(const std::string& path) { return path.substr(0, path.find_last_of("\\/") + 1); }

std::string testDirectory() {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return directoryOf(path);
}

std::string tempDirectory() {
    char path[MAX_PATH];
    GetTempPathA(MAX_PATH, path);
    return path;
}

void writeFile(const std::string& path, const std::string& content) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr) << path;
    std::fwrite(content.data(), 1, content.size(), file);
    std::fclose(file);
}

// Sets (or with nullopt removes) an environment variable for one scope.
class ScopedEnvironment {
  public:
    ScopedEnvironment(const char* name, std::optional<std::string> value) : name_(name) {
        char old[4096];
        const DWORD length = GetEnvironmentVariableA(name, old, sizeof old);
        if (length > 0 && length < sizeof old) old_ = std::string(old, length);
        SetEnvironmentVariableA(name, value ? value->c_str() : nullptr);
    }
    ~ScopedEnvironment() { SetEnvironmentVariableA(name_, old_ ? old_->c_str() : nullptr); }

  private:
    const char* name_;
    std::optional<std::string> old_;
};

// The lines Select Device shows for a device list: "%s - S/N:%s on %s".
std::vector<std::string> deviceLines(const Driver& driver, std::vector<int>* indexes = nullptr) {
    std::vector<std::string> lines;
    const std::uint8_t* list = driver.qvFindDevice();
    for (int i = 0; i < deviceListEntries; ++i) {
        const std::uint8_t* entry = list + i * deviceEntryBytes;
        if ((entry[1] & 0x01) == 0) continue; // flags 0x100
        char model[32] = {}, interfaceName[32] = {};
        EXPECT_NE(driver.qvInterfaceName(-1, entry, 0, model, 32), 0);
        EXPECT_NE(driver.qvInterfaceName(-1, entry, 1, interfaceName, 32), 0);
        const char* serial = reinterpret_cast<const char*>(entry + deviceEntrySerialOffset);
        std::string serialText(serial, strnlen(serial, deviceEntrySerialBytes));
        lines.push_back(std::string(model) + " - S/N:" + serialText + " on " + interfaceName);
        if (indexes != nullptr) indexes->push_back(i);
    }
    return lines;
}

std::int32_t deviceNumberOf(const std::uint8_t* entry) {
    std::int32_t number = 0;
    std::memcpy(&number, entry + deviceEntryNumberOffset, sizeof number);
    return number;
}

void expectEveryFunction(const Driver& driver) {
#define QV_EXPECT_PRESENT(result, name, params) EXPECT_NE(driver.name, nullptr) << #name;
    QV_DRIVER_FUNCTIONS(QV_EXPECT_PRESENT)
#undef QV_EXPECT_PRESENT
}

// What reportDriverProblem shows, in English.
std::wstring shownText(const DriverLoad& load) {
    std::wstring text;
    setMessageBoxScript([&](const ShownMessage& shown) {
        EXPECT_EQ(shown.type, static_cast<UINT>(MB_ICONERROR | MB_OK));
        text = shown.text;
        return IDOK;
    });
    reportDriverProblem(nullptr, load);
    setMessageBoxScript({});
    return text;
}

void expectDemoMode(const DriverLoad& load) {
    EXPECT_EQ(load.module, nullptr);
    expectEveryFunction(load.driver);
    EXPECT_TRUE(deviceLines(load.driver).empty());
    EXPECT_EQ(load.driver.qvHasHw(load.driver.qvFindDevice()), noDevice);
}

TEST(DriverLoader, VirtualInstrumentsFromTheEnvironment) {
    struct Case {
        std::string devices;
        std::vector<std::string> lines;
        std::vector<std::int32_t> modelCodes, deviceNumbers, cardTypes;
    };
    const Case cases[] = {
        {"", {}, {}, {}, {}},
        {"0xC350:VI000001:USB:0", {"QV-C350 - S/N:VI000001 on USB"}, {0xC350}, {0}, {0}},
        {"0xB016:A1:USB:4:18;0xC050:" + std::string(32, 'B') + ":PCI Express:7",
         {"QV-B016 - S/N:A1 on USB", "QV-C050 - S/N:" + std::string(32, 'B') + " on PCI Express"},
         {0xB016, 0xC050},
         {4, 7},
         {18, 0}},
    };
    ScopedEnvironment noIni("QVRUN_INI", tempDirectory() + "QvRunNoSuchFile.ini");
    for (const auto& c : cases) {
        ScopedEnvironment devices("QVRUN_DEVICES", c.devices);
        DriverLoad load = loadDriver();
        ASSERT_EQ(load.problem, DriverProblem::None) << load.missingExport << " " << load.systemError;
        EXPECT_NE(load.module, nullptr);
        EXPECT_EQ(load.messageId(), Msg::None);
        EXPECT_TRUE(shownText(load).empty());
        expectEveryFunction(load.driver);

        std::vector<int> indexes;
        EXPECT_EQ(deviceLines(load.driver, &indexes), c.lines) << c.devices;
        const std::uint8_t* list = load.driver.qvFindDevice();
        std::vector<DeviceHandle> handles;
        if (indexes.empty()) {
            EXPECT_EQ(load.driver.qvHasHw(list), noDevice); // what Select Device then hands over: entry 0
        }
        for (std::size_t i = 0; i < indexes.size(); ++i) {
            const std::uint8_t* entry = list + indexes[i] * deviceEntryBytes;
            EXPECT_EQ(deviceNumberOf(entry), c.deviceNumbers[i]);
            const DeviceHandle handle = load.driver.qvHasHw(entry);
            ASSERT_NE(handle, noDevice);
            EXPECT_EQ(load.driver.qvReset(handle), 1);
            std::int32_t running = -1, word = -1, model = 0;
            EXPECT_EQ(load.driver.qvReadStatus(handle, &running, &word, &model), 1);
            EXPECT_EQ(model, c.modelCodes[i]);
            EXPECT_EQ(running, 0);
            EXPECT_EQ(load.driver.qvGetHwInfo(handle, hwInfoModelCode), c.modelCodes[i]);
            EXPECT_EQ(load.driver.qvCardType(handle), c.cardTypes[i]);
            EXPECT_EQ(load.driver.qvPowerDown(handle), 1);
            handles.push_back(handle);
        }
        // The device list stays valid until the last open device is shut down.
        for (DeviceHandle handle : handles) EXPECT_EQ(load.driver.qvShutdown(handle), 1);
        unloadDriver(load);
        EXPECT_EQ(load.module, nullptr);
        EXPECT_EQ(load.driver.qvHasHw(nullptr), noDevice) << "the null driver after unloading";
    }
}

TEST(DriverLoader, VirtualInstrumentsFromTheIni) {
    ScopedEnvironment noDevices("QVRUN_DEVICES", std::nullopt);
    const std::string ini = "[Device1]\r\nModel=0xCD16\r\nSerial=INI0001\r\nInterface=USB\r\nDeviceNumber=2\r\n";
    // QvRun.ini beside the DLL, then a file named by QVRUN_INI.
    const std::string besideDll = testDirectory() + "QvRun.ini";
    const std::string named = tempDirectory() + "QvRunTest.ini";
    struct Case {
        std::string path;
        std::optional<std::string> iniVariable;
    };
    for (const Case& c : {Case{besideDll, std::nullopt}, Case{named, named}}) {
        writeFile(c.path, ini);
        ScopedEnvironment iniVariable("QVRUN_INI", c.iniVariable);
        DriverLoad load = loadDriver();
        ASSERT_EQ(load.problem, DriverProblem::None);
        EXPECT_EQ(deviceLines(load.driver), std::vector<std::string>{"QV-CD16 - S/N:INI0001 on USB"}) << c.path;
        EXPECT_EQ(deviceNumberOf(load.driver.qvFindDevice()), 2);
        // An environment text, even empty, replaces the ini.
        SetEnvironmentVariableA("QVRUN_DEVICES", "");
        EXPECT_EQ(load.driver.qvShutdown(noDevice), 1); // closed: the next call reads the settings again
        EXPECT_TRUE(deviceLines(load.driver).empty());
        SetEnvironmentVariableA("QVRUN_DEVICES", nullptr);
        load.driver.qvShutdown(noDevice);
        unloadDriver(load);
        DeleteFileA(c.path.c_str());
    }
}

TEST(DriverLoader, OsHandleServesTheDeviceRemovalWatch) {
    ScopedEnvironment devices("QVRUN_DEVICES", "0xC350:VI000001:USB:0");
    DriverLoad load = loadDriver();
    ASSERT_EQ(load.problem, DriverProblem::None);
    const DeviceHandle handle = load.driver.qvHasHw(load.driver.qvFindDevice());
    ASSERT_NE(handle, noDevice);
    EXPECT_EQ(load.driver.qvGetHwInfo(noDevice, hwInfoOsHandle), 0);
    const HANDLE osHandle =
        reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(load.driver.qvGetHwInfo(handle, hwInfoOsHandle)));
    ASSERT_NE(osHandle, nullptr);
    EXPECT_EQ(GetFileType(osHandle), static_cast<DWORD>(FILE_TYPE_DISK)) << "a real file object";

    HWND window = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    DEV_BROADCAST_HANDLE filter = {};
    filter.dbch_size = sizeof filter;
    filter.dbch_devicetype = DBT_DEVTYP_HANDLE;
    filter.dbch_handle = osHandle;
    HDEVNOTIFY notification = RegisterDeviceNotificationA(window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
    EXPECT_NE(notification, nullptr) << GetLastError();
    if (notification != nullptr) UnregisterDeviceNotification(notification);
    DestroyWindow(window);

    // The watch then tells the driver that the device is gone.
    EXPECT_EQ(load.driver.qvSetHwInfo(0, hwInfoDeviceRemoved, 1), 1);
    EXPECT_EQ(load.driver.qvReset(handle), 0);
    EXPECT_EQ(load.driver.qvShutdown(handle), 1);
    EXPECT_EQ(GetFileType(osHandle), static_cast<DWORD>(FILE_TYPE_UNKNOWN)) << "closed at shutdown";
    unloadDriver(load);
}

// Records the removal notifications a window receives.
struct SeenRemoval {
    WPARAM event = 0;
    DWORD deviceType = 0;
    HANDLE handle = nullptr;
    int count = 0;
} seenRemoval;

LRESULT CALLBACK removalWatchProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DEVICECHANGE && lParam != 0) {
        const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(lParam);
        seenRemoval.event = wParam;
        seenRemoval.deviceType = header->dbch_devicetype;
        if (header->dbch_devicetype == DBT_DEVTYP_HANDLE)
            seenRemoval.handle = reinterpret_cast<const DEV_BROADCAST_HANDLE*>(lParam)->dbch_handle;
        ++seenRemoval.count;
        return TRUE;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

TEST(DriverLoader, ScheduledUnplugNotifiesTheOpeningThreadsWindows) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = removalWatchProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "QvRemovalWatchTest";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, windowClass.lpszClassName, "", 0, 0, 0, 10, 10, nullptr, nullptr,
                                  windowClass.hInstance, nullptr);
    ASSERT_NE(window, nullptr);
    seenRemoval = {};

    ScopedEnvironment devices("QVRUN_DEVICES", "0xC350:VI000001:USB:0:0:unplug=50");
    DriverLoad load = loadDriver();
    ASSERT_EQ(load.problem, DriverProblem::None);
    const DeviceHandle handle = load.driver.qvHasHw(load.driver.qvFindDevice());
    ASSERT_NE(handle, noDevice);
    const HANDLE osHandle =
        reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(load.driver.qvGetHwInfo(handle, hwInfoOsHandle)));
    EXPECT_EQ(load.driver.qvReset(handle), 1) << "present until the delay has passed";

    // The timer fires from this thread's message loop.
    for (int waited = 0; seenRemoval.count == 0 && waited < 5000; waited += 10) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
        Sleep(10);
    }
    EXPECT_EQ(seenRemoval.count, 1);
    EXPECT_EQ(seenRemoval.event, static_cast<WPARAM>(DBT_DEVICEREMOVECOMPLETE));
    EXPECT_EQ(seenRemoval.deviceType, static_cast<DWORD>(DBT_DEVTYP_HANDLE));
    EXPECT_EQ(seenRemoval.handle, osHandle);
    EXPECT_EQ(load.driver.qvReset(handle), 0) << "removed";
    EXPECT_EQ(load.driver.qvShutdown(handle), 1);
    unloadDriver(load);
    DestroyWindow(window);
    UnregisterClassA(windowClass.lpszClassName, windowClass.hInstance);
}

TEST(DriverLoader, ReadsTextVectorFilesThroughTheDll) {
    ScopedEnvironment devices("QVRUN_DEVICES", "");
    DriverLoad load = loadDriver();
    ASSERT_EQ(load.problem, DriverProblem::None);
    const std::string path = tempDirectory() + "QvRunTest.qvv";
    writeFile(path, "INPUTS QV_Function DATA; ASSIGN DATA 3..0;\r\nFREQUENCY 250 KHz;\r\nPATTERN\r\n000h 5\r\n;\r\n");
    std::vector<std::uint64_t> samples(2);
    std::vector<std::uint8_t> signals(202 * 236);
    std::int32_t frequencyAndMode[2] = {0, 0};
    EXPECT_EQ(load.driver.qvReadQVV(path.c_str(), samples.data(), 16, signals.data(), 202, frequencyAndMode), 0);
    EXPECT_EQ(frequencyAndMode[0], 250000);
    EXPECT_EQ(samples[1], std::uint64_t{5} << 12) << "the last line holds to the end";
    EXPECT_STREQ(reinterpret_cast<const char*>(signals.data() + 236), "DATA");
    DeleteFileA(path.c_str());
    EXPECT_NE(load.driver.qvReadQVV(path.c_str(), samples.data(), 16, signals.data(), 202, frequencyAndMode), 0);
    unloadDriver(load);
}

TEST(DriverLoader, RunsAWaveformFileAndCapturesItThroughTheDll) {
    // The capture path is a Windows path with a drive colon: the option takes the rest of the entry.
    const std::string capture = tempDirectory() + "QvRunCapture.vcd";
    const std::string path = tempDirectory() + "QvRunRun.qvv";
    DeleteFileA(capture.c_str());
    ScopedEnvironment devices("QVRUN_DEVICES", "0xB016:VI1:USB:0:0:limit=64:capture=" + capture);
    DriverLoad load = loadDriver();
    ASSERT_EQ(load.problem, DriverProblem::None);
    writeFile(path,
              "INPUTS QV_Function D0;\r\nASSIGN D0 0;\r\nFREQUENCY 1 MHz;\r\nPATTERN\r\n000h 0\r\n000h 1\r\n"
              "000h 1\r\n000h 0\r\n;\r\n");
    const DeviceHandle handle = load.driver.qvHasHw(load.driver.qvFindDevice());
    ASSERT_NE(handle, noDevice);
    EXPECT_EQ(load.driver.uqvStartEx(handle, path.c_str(), 1, 0), 0);
    Sleep(2); // the instrument runs in real time: 2,000 clocks at 1 MHz, past the sample limit
    EXPECT_EQ(load.driver.qvPowerDown(handle), 1); // the capture is complete now
    EXPECT_EQ(load.driver.qvShutdown(handle), 1);
    unloadDriver(load);

    std::FILE* file = std::fopen(capture.c_str(), "rb");
    ASSERT_NE(file, nullptr) << capture;
    std::string text(1 << 16, '\0');
    text.resize(std::fread(text.data(), 1, text.size(), file));
    std::fclose(file);
    EXPECT_NE(text.find("$timescale 1 us $end"), std::string::npos) << text;
    EXPECT_NE(text.find("$var wire 1 0 ch15 $end"), std::string::npos) << text;
    // Prefix (12 samples of sample 0), then 0 1 1 0 and the closing loop holding 0 up to the limit.
    // In real time the pins may float for the few clocks between qvRun and qvOutputEnable.
    EXPECT_NE(text.find("#13\n1!\n"), std::string::npos) << text;
    const std::string end = "#15\n0!\n#64\n$comment capture truncated at the sample limit of 64 clocks $end\n";
    ASSERT_GE(text.size(), end.size());
    EXPECT_EQ(text.substr(text.size() - end.size()), end) << text;
    DeleteFileA(capture.c_str());
    DeleteFileA(path.c_str());
}

TEST(DriverLoader, MissingDriverGivesDemoMode) {
    for (const std::string& path : {std::string("QvRunNotThere.dll"), tempDirectory() + "NoSuchFolder\\QvRun.dll"}) {
        DriverLoad load = loadDriver(path.c_str());
        EXPECT_EQ(load.problem, DriverProblem::NotFound) << path << " " << load.systemError;
        expectDemoMode(load);
        EXPECT_EQ(load.messageId(), Msg::DriverNotFound);
        EXPECT_EQ(shownText(load), L"The instrument driver QvRun.dll was not found.");
    }
}

TEST(DriverLoader, DriverThatFailsToLoadGivesDemoMode) {
    const std::string path = tempDirectory() + "QvRunBroken.dll";
    writeFile(path, "This is not a program file.");
    DriverLoad load = loadDriver(path.c_str());
    DeleteFileA(path.c_str());
    EXPECT_EQ(load.problem, DriverProblem::LoadFailed);
    EXPECT_EQ(load.systemError, static_cast<DWORD>(ERROR_BAD_EXE_FORMAT));
    expectDemoMode(load);
    EXPECT_EQ(load.messageId(), Msg::DriverLoadFailed);
    // The system's reason in words, then its number.
    const std::wstring text = shownText(load);
    const std::wstring start = L"The instrument driver QvRun.dll could not be loaded: ";
    const std::wstring end = L" (system error 193).";
    ASSERT_GT(text.size(), start.size() + end.size()) << "no words for the reason";
    EXPECT_EQ(text.substr(0, start.size()), start);
    EXPECT_EQ(text.substr(text.size() - end.size()), end);
    EXPECT_EQ(text.find(L"%1"), std::wstring::npos);
}

TEST(DriverLoader, DriverLackingAnExportGivesDemoMode) {
    DriverLoad load = loadDriver("QvRunLacksExports.dll");
    EXPECT_EQ(load.problem, DriverProblem::ExportMissing);
    EXPECT_EQ(load.missingExport, "qvInterfaceName") << "the first one missing, in table order";
    // The fixture lists an instrument; the null driver in its place lists none.
    expectDemoMode(load);
    EXPECT_EQ(GetModuleHandleA("QvRunLacksExports.dll"), nullptr) << "freed again";
    EXPECT_EQ(load.messageId(), Msg::DriverExportMissing);
    EXPECT_EQ(shownText(load), L"The instrument driver QvRun.dll lacks the function qvInterfaceName.");
}

TEST(DriverLoader, NullDriverReportsNoInstrument) {
    const Driver driver = nullDriver();
    expectEveryFunction(driver);
    const std::uint8_t* list = driver.qvFindDevice();
    for (int i = 0; i < deviceListEntries * deviceEntryBytes; ++i) ASSERT_EQ(list[i], 0);
    EXPECT_EQ(driver.qvHasHw(list), noDevice);
    char name[8] = "old";
    EXPECT_EQ(driver.qvInterfaceName(-1, list, 0, name, sizeof name), 0);
    EXPECT_STREQ(name, "");
    std::int32_t running = 5, word = 5, model = 5;
    driver.qvReadStatus(noDevice, &running, &word, &model);
    EXPECT_EQ(running + word + model, 0);
    EXPECT_EQ(driver.qvSetFreq(noDevice, 1000, 0, &word, &word, &word, &word, &word, &word), 0);
    EXPECT_NE(driver.qvReadQVV("x.qvv", nullptr, 0, nullptr, 202, &word), 0);
    EXPECT_NE(driver.uqvStartEx(noDevice, "x.qvw", 0, 0), 0);
}

} // namespace
} // namespace qv::win
