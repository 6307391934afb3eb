// Start-up pieces against the real resources, registry and dialogs under Wine: the language list,
// Select Device with a scripted device list and with QvRun.dll's virtual instruments, the model
// code and level correction, the working directory, the version text, the accelerators, the
// message loop and the device-removal countdown.
#include "app/app_state.h"
#include "app/device_watch.h"
#include "app/message_box.h"
#include "app/registry_store.h"
#include "app/startup.h"
#include "app/strings_win.h"
#include "device/driver_loader.h"
#include "resource.h"

#include "version.h"

#include "../core/scripted_devices.h"

#include <gtest/gtest.h>

#include <dbt.h>

#include <array>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace qv::win {
namespace {

// ---- helpers ----------------------------------------------------------------------------------

// Runs action once on the first visible dialog of this thread that appears while a modal loop runs.
class DialogDriver {
  public:
    explicit DialogDriver(std::function<void(HWND)> action) {
        pending() = std::move(action);
        timer_ = SetTimer(nullptr, 0, 20, onTick);
    }
    ~DialogDriver() {
        KillTimer(nullptr, timer_);
        pending() = nullptr;
    }

  private:
    static std::function<void(HWND)>& pending() {
        static std::function<void(HWND)> action;
        return action;
    }
    static BOOL CALLBACK findDialog(HWND window, LPARAM found) {
        char className[16] = {};
        GetClassNameA(window, className, sizeof(className));
        // A visible dialog only: a hidden one left by another test of this thread is not the one.
        if (std::strcmp(className, "#32770") != 0 || !IsWindowVisible(window)) return TRUE;
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    static void CALLBACK onTick(HWND, UINT, UINT_PTR, DWORD) {
        HWND dialog = nullptr;
        EnumThreadWindows(GetCurrentThreadId(), findDialog, reinterpret_cast<LPARAM>(&dialog));
        if (!dialog || !pending()) return;
        auto action = std::move(pending());
        pending() = nullptr;
        action(dialog);
    }
    UINT_PTR timer_ = 0;
};

std::vector<std::wstring> listLines(HWND dialog) {
    HWND list = GetDlgItem(dialog, IDC_DEVICE_LIST);
    std::vector<std::wstring> lines;
    const auto count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        std::wstring line(static_cast<std::size_t>(SendMessageW(list, LB_GETTEXTLEN, i, 0)), L'\0');
        SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(line.data()));
        lines.push_back(line);
    }
    return lines;
}

using qv::test::ScriptedDevices;

// QvRun.dll with QVRUN_DEVICES set for the time of one test.
class VirtualInstruments {
  public:
    explicit VirtualInstruments(const char* devices) {
        SetEnvironmentVariableA("QVRUN_DEVICES", devices);
        load_ = loadDriver();
    }
    ~VirtualInstruments() {
        unloadDriver(load_);
        SetEnvironmentVariableA("QVRUN_DEVICES", nullptr);
    }
    bool loaded() const { return load_.problem == DriverProblem::None; }
    const Driver& driver() const { return load_.driver; }

  private:
    DriverLoad load_;
};

// ---- language ---------------------------------------------------------------------------------

TEST(StartupLanguage, ListFromDialog354SortedByPrimaryThenSubLanguage) {
    const std::vector<LANGID> expected{languageTraditionalChinese, languageSimplifiedChinese, languageEnglish};
    EXPECT_EQ(dialogLanguages(GetModuleHandleW(nullptr), IDD_PROPERTIES), expected);
    EXPECT_TRUE(dialogLanguages(GetModuleHandleW(nullptr), 4242).empty());
}

TEST(StartupLanguage, ThreadLocaleOutsideTheListBecomesEnglish) {
    const LCID saved = GetThreadLocale();
    const std::vector<LANGID> languages{1028, 2052, 1033};
    struct Case {
        LANGID locale, expected;
    };
    for (const Case& c : {Case{1031, 1033}, Case{2052, 2052}, Case{1028, 1028}, Case{3076, 1033}}) {
        SCOPED_TRACE(c.locale);
        SetThreadLocale(MAKELCID(c.locale, SORT_DEFAULT));
        chooseStartupLanguage(languages);
        EXPECT_EQ(LANGIDFROMLCID(GetThreadLocale()), c.expected);
    }
    SetThreadLocale(saved);
}

// ---- Select Device ----------------------------------------------------------------------------

TEST(SelectDevice, NoneOrOneInstrumentClosesByItself) {
    ScriptedDevices::reset();
    const std::uint8_t* list = nullptr;
    EXPECT_EQ(selectDevice(ScriptedDevices::driver(), list), 0);
    EXPECT_EQ(list, ScriptedDevices::list.data());

    ScriptedDevices::add(5, "SN5", 2);
    EXPECT_EQ(selectDevice(ScriptedDevices::driver(), list), 5);

    // A driver without a list: nothing to choose.
    EXPECT_EQ(selectDevice(Driver{}, list), 0);
    EXPECT_EQ(list, nullptr);
}

TEST(SelectDevice, SeveralInstrumentsWaitWithTheFirstLineSelected) {
    ScriptedDevices::reset();
    ScriptedDevices::add(2, "SN-A", 1);
    ScriptedDevices::add(7, "SN-B", 3);
    ScriptedDevices::add(8, "SN-C", 4);
    struct Case {
        const char* what;
        std::function<void(HWND)> act;
        int expected;
    };
    std::vector<std::wstring> shown;
    int selected = -2;
    LRESULT defaultId = 0;
    const Case cases[] = {
        {"ok on the first line",
         [&](HWND dialog) {
             shown = listLines(dialog);
             selected = static_cast<int>(SendDlgItemMessageW(dialog, IDC_DEVICE_LIST, LB_GETCURSEL, 0, 0));
             defaultId = SendMessageW(dialog, DM_GETDEFID, 0, 0);
             SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
         },
         2},
        {"ok on the third line",
         [](HWND dialog) {
             SendDlgItemMessageW(dialog, IDC_DEVICE_LIST, LB_SETCURSEL, 2, 0);
             SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
         },
         8},
        {"double click posts ok",
         [](HWND dialog) {
             SendDlgItemMessageW(dialog, IDC_DEVICE_LIST, LB_SETCURSEL, 1, 0);
             SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_DEVICE_LIST, LBN_DBLCLK),
                          reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_DEVICE_LIST)));
         },
         7},
        {"cancel", [](HWND dialog) { SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0); }, -1},
        {"close", [](HWND dialog) { SendMessageW(dialog, WM_CLOSE, 0, 0); }, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DialogDriver driver(c.act);
        const std::uint8_t* list = nullptr;
        EXPECT_EQ(selectDevice(ScriptedDevices::driver(), list), c.expected);
    }
    EXPECT_EQ(selected, 0);
    EXPECT_EQ(defaultId, MAKELRESULT(IDOK, DC_HASDEFID));
    EXPECT_EQ(shown,
              (std::vector<std::wstring>{L"Model2 - S/N:SN-A on USB", L"Model7 - S/N:SN-B on USB",
                                         L"Model8 - S/N:SN-C on USB"}));
}

TEST(SelectDevice, LongLinesScrollSideways) {
    ScriptedDevices::reset();
    ScriptedDevices::add(9, std::string(32, 'S'), 1); // a 32-character model name and serial
    ScriptedDevices::add(2, "SN-A", 2);
    LONG extent = 0, width = 0;
    LONG_PTR style = 0;
    DialogDriver driver([&](HWND dialog) {
        HWND list = GetDlgItem(dialog, IDC_DEVICE_LIST);
        extent = static_cast<LONG>(SendMessageW(list, LB_GETHORIZONTALEXTENT, 0, 0));
        RECT client{};
        GetClientRect(list, &client);
        width = client.right;
        style = GetWindowLongPtrW(list, GWL_STYLE);
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    });
    const std::uint8_t* list = nullptr;
    EXPECT_EQ(selectDevice(ScriptedDevices::driver(), list), -1);
    EXPECT_TRUE(style & WS_HSCROLL);
    EXPECT_GT(extent, width) << "the longest line is wider than the list and can be scrolled to";
}

TEST(SelectDevice, VirtualInstrumentsZeroOneAndTwo) {
    {
        VirtualInstruments none("");
        ASSERT_TRUE(none.loaded());
        const std::uint8_t* list = nullptr;
        EXPECT_EQ(selectDevice(none.driver(), list), 0);
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(none.driver().qvHasHw(list), noDevice);
    }
    {
        VirtualInstruments one("0xB316:VI000042:USB:6");
        ASSERT_TRUE(one.loaded());
        const std::uint8_t* list = nullptr;
        const int chosen = selectDevice(one.driver(), list);
        ASSERT_GE(chosen, 0);
        const std::uint8_t* entry = list + chosen * deviceEntryBytes;
        EXPECT_EQ(deviceNumberOf(entry), 6);
        EXPECT_EQ(fixedWidthText(entry + deviceEntrySerialOffset, deviceEntrySerialBytes), "VI000042");
        const DeviceHandle handle = one.driver().qvHasHw(entry);
        EXPECT_NE(handle, noDevice);
        std::int32_t running = 0, word = 0, model = 0;
        one.driver().qvReadStatus(handle, &running, &word, &model);
        EXPECT_EQ(model, 0xB316);
        one.driver().qvShutdown(handle);
    }
    {
        VirtualInstruments two("0xC350:VI000001:USB:0;0xA020:VI000002:USB2:1");
        ASSERT_TRUE(two.loaded());
        std::vector<std::wstring> shown;
        DialogDriver driver([&](HWND dialog) {
            shown = listLines(dialog);
            SendDlgItemMessageW(dialog, IDC_DEVICE_LIST, LB_SETCURSEL, 1, 0);
            SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        });
        const std::uint8_t* list = nullptr;
        const int chosen = selectDevice(two.driver(), list);
        ASSERT_EQ(shown.size(), 2u);
        EXPECT_NE(shown[0].find(L" - S/N:VI000001 on "), std::wstring::npos);
        EXPECT_NE(shown[1].find(L" - S/N:VI000002 on "), std::wstring::npos);
        ASSERT_GE(chosen, 0);
        EXPECT_EQ(deviceNumberOf(list + chosen * deviceEntryBytes), 1);
    }
}

// ---- model, levels and settings -------------------------------------------------------------

struct FakeInstrument {
    static inline int model = 0;
    static inline std::vector<std::array<int, 3>> adjusted;
    static inline int resets = 0;
    static std::int32_t QV_DRIVER_CALL reset(std::int32_t) { return ++resets; }
    static std::int32_t QV_DRIVER_CALL readStatus(std::int32_t, std::int32_t* running, std::int32_t* word,
                                                  std::int32_t* code) {
        *running = 0;
        *word = 0;
        *code = model;
        return 1;
    }
    static std::int32_t QV_DRIVER_CALL adjVolt(std::int32_t handle, std::int32_t group, std::int32_t level) {
        adjusted.push_back({handle, group, level});
        return 1;
    }
    static Driver driver() {
        Driver d;
        d.qvReset = reset;
        d.qvReadStatus = readStatus;
        d.qvAdjVolt = adjVolt;
        return d;
    }
};

class AppFixture : public testing::Test {
  protected:
    void SetUp() override {
        saved_ = std::move(app().driver);
        setMessageBoxScript([this](const ShownMessage& m) {
            shown.push_back(m.stringId);
            return IDOK;
        });
    }
    void TearDown() override {
        setMessageBoxScript({});
        app().driver = saved_;
        app().device = noDevice;
        app().caps = capabilitiesFor(0);
    }
    std::vector<int> shown;

  private:
    Driver saved_;
};

TEST_F(AppFixture, ModelCodeSetsCapabilitiesAndCorrectsLevels) {
    struct Case {
        int model, level1, level2, expected1, expected2, channels;
        std::vector<std::array<int, 3>> adjusted;
    };
    const Case cases[] = {
        {0xC020, 300, 300, 32, 300, 20, {{{3, 0, 32}}}},
        {0xB016, 9, 9, 0, 9, 16, {{{3, 0, 0}}}},
        {0xC350, 256, 40, 32, 40, 50, {{{3, 0, 32}}, {{3, 1, 40}}}},
        {0xA050, 300, 300, 300, 300, 50, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.model);
        FakeInstrument::model = c.model;
        FakeInstrument::adjusted.clear();
        FakeInstrument::resets = 0;
        app().driver = FakeInstrument::driver();
        app().device = 3;
        app().outputLevel1 = c.level1;
        app().outputLevel2 = c.level2;
        readModelAndLevels();
        EXPECT_EQ(FakeInstrument::resets, 1);
        EXPECT_EQ(app().caps.modelCode, c.model);
        EXPECT_EQ(app().caps.channelCount, c.channels);
        EXPECT_EQ(app().outputLevel1, c.expected1);
        EXPECT_EQ(app().outputLevel2, c.expected2);
        EXPECT_EQ(FakeInstrument::adjusted, c.adjusted);
        EXPECT_EQ(app().interlock.driverBusy.load(), 0);
    }
    EXPECT_TRUE(shown.empty());
}

TEST_F(AppFixture, DemoModeShowsItsMessageAndKeepsModelZero) {
    FakeInstrument::resets = 0;
    app().driver = FakeInstrument::driver();
    app().device = noDevice;
    app().outputLevel1 = 300;
    readModelAndLevels();
    EXPECT_EQ(shown, std::vector<int>{12033});
    EXPECT_EQ(FakeInstrument::resets, 0);
    EXPECT_EQ(app().caps.modelCode, 0);
    EXPECT_EQ(app().caps.channelCount, 50);
    EXPECT_EQ(app().caps.depthSamples(), 1048576);
    EXPECT_EQ(app().caps.usableSampleBytes, 524264 * 8);
    EXPECT_EQ(app().outputLevel1, 300);
}

TEST_F(AppFixture, SystemSettingsThroughTheRegistryWithAMissingWorkDirectory) {
    ScriptedDevices::reset();
    ScriptedDevices::add(0, "SN", 913);
    app().driver = ScriptedDevices::driver();
    openChosenDevice(ScriptedDevices::list.data(), 0);
    EXPECT_EQ(app().deviceNumber, 913);
    EXPECT_EQ(app().keyPath(ModuleKey::System), "SOFTWARE\\Tavro\\QV\\System\\913");
    EXPECT_EQ(app().keyPath(ModuleKey::VhdlWav), "SOFTWARE\\Tavro\\QV\\VhdlWav\\913");
    const std::string key = app().keyPath(ModuleKey::System);
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, key.c_str());
    RegDeleteTreeA(HKEY_CURRENT_USER, key.c_str());

    const std::string start = currentDirectory();
    EXPECT_FALSE(readSystemSettingsIntoApp());
    EXPECT_EQ(app().workDirectory, start);
    EXPECT_EQ(app().outputLevel1, 32);

    // A stored directory that is gone falls back to the current one; a wrong-typed level to 0.
    RegistrySettingsStore& store = registrySettings();
    store.writeText(key, "Work Directory", "C:\\no\\such\\directory\\anywhere");
    store.writeText(key, "OutLevel 0", "300");
    store.writeNumber(key, "OutLevel 1", 77);
    EXPECT_TRUE(readSystemSettingsIntoApp());
    EXPECT_EQ(app().workDirectory, start);
    EXPECT_EQ(currentDirectory(), start);
    EXPECT_EQ(app().outputLevel1, 0);
    EXPECT_EQ(app().outputLevel2, 77);

    // A stored language without texts, and a placement no screen shows, count as not stored.
    const LANGID chosen = chosenLanguage();
    store.writeNumber(key, "Language", 1031);
    for (auto [name, value] :
         {std::pair{"Main Window Left", 5000}, std::pair{"Main Window Top", 5000}, std::pair{"Main Window Right", 5640},
          std::pair{"Main Window Bottom", 5480}, std::pair{"Max Flag", 0}})
        store.writeNumber(key, name, static_cast<std::uint32_t>(value));
    app().languages = {languageTraditionalChinese, languageSimplifiedChinese, languageEnglish};
    EXPECT_TRUE(readSystemSettingsIntoApp());
    EXPECT_EQ(chosenLanguage(), chosen);
    EXPECT_EQ(app().savedPlacement, Placement{});
    store.writeNumber(key, "Main Window Left", 100);
    store.writeNumber(key, "Main Window Top", 80);
    store.writeNumber(key, "Main Window Right", 700);
    store.writeNumber(key, "Main Window Bottom", 560);
    EXPECT_TRUE(readSystemSettingsIntoApp());
    EXPECT_EQ(app().savedPlacement, (Placement{100, 80, 700, 560, 0}));

    app().outputLevel1 = 12;
    ASSERT_TRUE(writeSystemSettingsFromApp());
    EXPECT_EQ(store.readNumber(key, "OutLevel 0"), 12u);
    EXPECT_EQ(store.readText(key, "Work Directory"), start);
    EXPECT_TRUE(store.readNumber(key, "Language").has_value());
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, key.c_str());
    RegDeleteTreeA(HKEY_CURRENT_USER, key.c_str());
}

TEST_F(AppFixture, SaveAtExitReportsAFailedWriteWithTheShortNameAsCaption) {
    std::vector<ShownMessage> boxes;
    setMessageBoxScript([&](const ShownMessage& m) {
        boxes.push_back(m);
        return IDOK;
    });
    app().keyPaths = deviceKeyPaths(0);
    app().outputLevel1 = 99;
    MemorySettingsStore store;
    saveSystemSettingsAtExit(store);
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(store.readNumber(app().keyPath(ModuleKey::System), "OutLevel 0"), 99u);

    MemorySettingsStore readOnly;
    readOnly.readOnly = true;
    saveSystemSettingsAtExit(readOnly);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].stringId, 12094);
    EXPECT_EQ(boxes[0].captionId, static_cast<int>(Msg::ShortName));
    EXPECT_EQ(boxes[0].type, static_cast<UINT>(MB_OK));
    EXPECT_EQ(boxes[0].caption, L"QVEditor");
}

TEST(WorkDirectory, ExistingDirectoryIsEnteredElseTheCurrentOne) {
    const std::string start = currentDirectory();
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    std::string tempDirectory = temp;
    if (tempDirectory.size() > 3 && tempDirectory.back() == '\\') tempDirectory.pop_back();
    EXPECT_EQ(enterWorkDirectory(tempDirectory, start), tempDirectory);
    EXPECT_EQ(
        CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, currentDirectory().c_str(), -1, tempDirectory.c_str(), -1),
        CSTR_EQUAL);
    EXPECT_EQ(enterWorkDirectory("Q:\\gone\\away", start), start);
    EXPECT_EQ(currentDirectory(), start);
    EXPECT_EQ(enterWorkDirectory("", start), start);
}

// ---- version, accelerators, message loop ------------------------------------------------------

TEST(StartupResources, VersionTextFromTheFixedFileVersion) {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    char expected[32];
    wsprintfA(expected, "%d.%02dB%d", QV_VERSION_MAJOR, QV_VERSION_MINOR, QV_VERSION_BUILD);
    EXPECT_EQ(versionTextOf(path), expected);
    EXPECT_EQ(versionTextOf("C:\\no\\such\\file.exe"), "");
}

TEST(StartupResources, AcceleratorTableHoldsCtrlQ) {
    HACCEL table = LoadAcceleratorsW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_ACCELERATORS));
    ASSERT_NE(table, nullptr);
    ACCEL entries[4] = {};
    ASSERT_EQ(CopyAcceleratorTableW(table, entries, 4), 1);
    EXPECT_EQ(entries[0].key, 'Q');
    EXPECT_EQ(entries[0].cmd, 1000);
    EXPECT_EQ(entries[0].fVirt & (FCONTROL | FVIRTKEY | FALT | FSHIFT), FCONTROL | FVIRTKEY);
}

struct LoopWindow {
    static inline std::vector<UINT> received;
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_APP + 1 || message == WM_CLOSE) received.push_back(message);
        if (message == WM_APP + 1 && wParam == 42) PostQuitMessage(7);
        if (message == WM_CLOSE) return 0;
        return DefWindowProcW(window, message, wParam, lParam);
    }
    static HWND create() {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = procedure;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"QvStartupTestWindow";
        RegisterClassW(&windowClass);
        return CreateWindowW(L"QvStartupTestWindow", L"test", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
    }
};

TEST(MessageLoop, DispatchesUntilQuitAndReturnsItsCode) {
    HWND window = LoopWindow::create();
    ASSERT_NE(window, nullptr);
    LoopWindow::received.clear();
    PostMessageW(window, WM_APP + 1, 1, 0);
    PostMessageW(window, WM_APP + 1, 42, 0);
    EXPECT_EQ(runMessageLoop(nullptr), 7);
    EXPECT_EQ(LoopWindow::received.size(), 2u);
    DestroyWindow(window);
}

// ---- device-removal watch ---------------------------------------------------------------------

struct RemovalDriver {
    static inline std::vector<std::array<std::uint32_t, 3>> calls;
    static std::int32_t QV_DRIVER_CALL setHwInfo(std::int32_t zero, std::uint32_t code, std::int32_t value) {
        calls.push_back({static_cast<std::uint32_t>(zero), code, static_cast<std::uint32_t>(value)});
        return 1;
    }
};

std::wstring buttonText(HWND dialog) {
    wchar_t text[32] = {};
    GetDlgItemTextW(dialog, IDOK, text, 32);
    return text;
}

TEST_F(AppFixture, RemovalRunsTheCountdownAndClosesTwice) {
    HWND window = LoopWindow::create();
    ASSERT_NE(window, nullptr);
    app().driver.qvSetHwInfo = RemovalDriver::setHwInfo;
    struct Case {
        WPARAM event;
        DWORD deviceType;
        bool watched;
    };
    const Case cases[] = {
        {DBT_DEVICEREMOVECOMPLETE, DBT_DEVTYP_HANDLE, true},
        {DBT_DEVICEARRIVAL, DBT_DEVTYP_HANDLE, true},
        {DBT_DEVICEQUERYREMOVE, DBT_DEVTYP_HANDLE, false},
        {DBT_DEVICEREMOVECOMPLETE, DBT_DEVTYP_VOLUME, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.event);
        RemovalDriver::calls.clear();
        LoopWindow::received.clear();
        std::vector<std::wstring> texts;
        DialogDriver driver([&](HWND dialog) {
            texts.push_back(buttonText(dialog));
            SendMessageW(dialog, WM_TIMER, countdownTimer, 0);
            texts.push_back(buttonText(dialog));
            SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        });
        DEV_BROADCAST_HANDLE header{};
        header.dbch_size = sizeof(header);
        header.dbch_devicetype = c.deviceType;
        onDeviceChange(window, WM_DEVICECHANGE, c.event, reinterpret_cast<LPARAM>(&header));
        MSG message;
        while (PeekMessageW(&message, window, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        if (c.watched) {
            EXPECT_EQ(texts, (std::vector<std::wstring>{L"8 Sec.", L"7 Sec."}));
            EXPECT_EQ(RemovalDriver::calls, (std::vector<std::array<std::uint32_t, 3>>{{0u, hwInfoDeviceRemoved, 1u}}));
            EXPECT_EQ(LoopWindow::received, (std::vector<UINT>{WM_CLOSE, WM_CLOSE}));
        } else {
            EXPECT_TRUE(texts.empty());
            EXPECT_TRUE(RemovalDriver::calls.empty());
            EXPECT_TRUE(LoopWindow::received.empty());
        }
    }
    DestroyWindow(window);
}

TEST(DisconnectCountdown, EndsByItselfWhenTheCountReachesZero) {
    std::vector<std::wstring> texts;
    DialogDriver driver([&](HWND dialog) {
        for (int tick = 0; tick < countdownSeconds; ++tick) {
            SendMessageW(dialog, WM_TIMER, countdownTimer, 0);
            texts.push_back(buttonText(dialog));
        }
    });
    showDisconnectCountdown(nullptr);
    ASSERT_EQ(texts.size(), 8u);
    EXPECT_EQ(texts.front(), L"7 Sec.");
    EXPECT_EQ(texts[6], L"1 Sec.");
    EXPECT_EQ(texts.back(), L"1 Sec."); // the last tick ends the dialog without relabelling
}

TEST(DisconnectCountdown, OnlyItsButtonEndsIt) {
    int stillOpen = -1;
    DialogDriver driver([&](HWND dialog) {
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0); // Esc
        stillOpen = IsWindow(dialog) && IsWindowVisible(dialog) ? 1 : 0;
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
    showDisconnectCountdown(nullptr);
    EXPECT_EQ(stillOpen, 1);
}

TEST(DeviceWatch, NoRegistrationWithoutAnOsHandle) {
    const Driver saved = app().driver;
    app().driver = Driver{};
    EXPECT_EQ(startDeviceWatch(nullptr), nullptr);
    app().driver = saved;
}

} // namespace
} // namespace qv::win
