// Properties and About: model and interface texts, level bars by model, immediate qvAdjVolt,
// OK and Cancel, help, and the language change that follows OK.
#include "shell_fixture.h"

#include "app/about.h"
#include "app/controls.h"
#include "app/dialog_template.h"
#include "app/launcher.h"
#include "app/properties.h"
#include "resource.h"

#include <commctrl.h>

namespace qv::win::test {
namespace {

class Properties : public ShellTest {
  protected:
    // The dialog as the user would see it, but modeless so the test can work it.
    HWND open(int modelCode, DeviceHandle device = 3, bool names = true) {
        app().device = device;
        app().caps = capabilitiesFor(device == noDevice ? 0 : modelCode);
        app().driver = fakeDriver(modelCode, names);
        dialog = createDialogInLanguage(nullptr, propertiesDialog);
        driverCalls().clear();
        return dialog;
    }
    void TearDown() override {
        if (dialog && IsWindow(dialog)) DestroyWindow(dialog);
        ShellTest::TearDown();
    }
    std::wstring text(int control) {
        wchar_t buffer[128] = {};
        GetDlgItemTextW(dialog, control, buffer, 128);
        return buffer;
    }
    bool enabled(int control) { return IsWindowEnabled(GetDlgItem(dialog, control)); }
    int position(int bar) { return GetScrollPos(GetDlgItem(dialog, bar), SB_CTL); }
    int maximum(int bar) {
        int low = 0, high = 0;
        GetScrollRange(GetDlgItem(dialog, bar), SB_CTL, &low, &high);
        return high;
    }
    void scroll(int bar, int request, int track = 0) {
        SendMessageW(dialog, WM_HSCROLL, MAKEWPARAM(request, track), reinterpret_cast<LPARAM>(GetDlgItem(dialog, bar)));
    }
    void press(int button) { SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0); }
    void selectLanguage(LANGID language) {
        HWND combo = GetDlgItem(dialog, IDC_PROPERTIES_LANGUAGE);
        const int count = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i)
            if (SendMessageW(combo, CB_GETITEMDATA, i, 0) == language) SendMessageW(combo, CB_SETCURSEL, i, 0);
    }

    HWND dialog = nullptr;
};

TEST_F(Properties, DemoModeShowsNoInstrumentAndNoLevels) {
    ASSERT_TRUE(open(0, noDevice));
    EXPECT_EQ(text(IDC_PROPERTIES_MODEL), L"Demo Mode");
    EXPECT_EQ(text(IDC_PROPERTIES_INTERFACE), L"None");
    for (int control :
         {IDC_PROPERTIES_LEVEL1_TEXT, IDC_PROPERTIES_LEVEL1_BAR, IDC_PROPERTIES_LEVEL2_TEXT, IDC_PROPERTIES_LEVEL2_BAR})
        EXPECT_FALSE(enabled(control)) << control;
    EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_PROPERTIES_ONLINE_UPDATE), BST_CHECKED);
    // The language list, each entry carrying its id, the thread locale's selected.
    HWND combo = GetDlgItem(dialog, IDC_PROPERTIES_LANGUAGE);
    ASSERT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 3);
    const LRESULT selected = SendMessageW(combo, CB_GETCURSEL, 0, 0);
    EXPECT_EQ(SendMessageW(combo, CB_GETITEMDATA, selected, 0), languageEnglish);
}

TEST_F(Properties, ModelTextsFromTheDriverOrUnknow) {
    ASSERT_TRUE(open(0xC020));
    EXPECT_EQ(text(IDC_PROPERTIES_MODEL), L"QV-C020");
    EXPECT_EQ(text(IDC_PROPERTIES_INTERFACE), L"USB 2.0");
    DestroyWindow(dialog);
    ASSERT_TRUE(open(0xC020, 3, false));
    EXPECT_EQ(text(IDC_PROPERTIES_MODEL), L"Unknow");
    EXPECT_EQ(text(IDC_PROPERTIES_INTERFACE), L"Unknow");
}

struct LevelCase {
    int model;
    bool bar1;
    bool bar2;
    int maximum;
};

TEST_F(Properties, LevelControlsByModel) {
    const LevelCase cases[] = {
        {0xC020, true, false, 255}, {0xC050, true, true, 255}, {0xC150, true, true, 255}, {0xC350, true, true, 255},
        {0xC120, true, false, 255}, {0xB016, true, false, 7},  {0xCD16, true, false, 7},  {0xA050, false, false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.model);
        app().outputLevel1 = 0;
        app().outputLevel2 = 255;
        ASSERT_TRUE(open(c.model));
        EXPECT_EQ(enabled(IDC_PROPERTIES_LEVEL1_BAR), c.bar1);
        EXPECT_EQ(enabled(IDC_PROPERTIES_LEVEL1_TEXT), c.bar1);
        EXPECT_EQ(enabled(IDC_PROPERTIES_LEVEL2_BAR), c.bar2);
        EXPECT_EQ(enabled(IDC_PROPERTIES_LEVEL2_TEXT), c.bar2);
        if (c.bar1) {
            EXPECT_EQ(maximum(IDC_PROPERTIES_LEVEL1_BAR), c.maximum);
        }
        if (c.model == 0xC020) {
            EXPECT_EQ(text(IDC_PROPERTIES_LEVEL1_TEXT), L"5.5V");
        }
        if (c.bar2) {
            EXPECT_EQ(text(IDC_PROPERTIES_LEVEL2_TEXT), L"1.5V");
        }
        DestroyWindow(dialog);
    }
}

TEST_F(Properties, C020BarShowsVoltsAndSendsEachMoveAtOnce) {
    app().outputLevel1 = 0;
    ASSERT_TRUE(open(0xC020));
    EXPECT_EQ(text(IDC_PROPERTIES_LEVEL1_TEXT), L"5.5V");
    scroll(IDC_PROPERTIES_LEVEL1_BAR, SB_THUMBTRACK, 255);
    EXPECT_EQ(text(IDC_PROPERTIES_LEVEL1_TEXT), L"1.5V");
    EXPECT_EQ(app().outputLevel1, 255);
    EXPECT_EQ(position(IDC_PROPERTIES_LEVEL1_BAR), 255);
    scroll(IDC_PROPERTIES_LEVEL1_BAR, SB_LINERIGHT); // clamped: nothing changes, nothing is sent
    scroll(IDC_PROPERTIES_LEVEL1_BAR, SB_PAGELEFT);
    scroll(IDC_PROPERTIES_LEVEL1_BAR, SB_LINELEFT);
    EXPECT_EQ(app().outputLevel1, 246);
    EXPECT_EQ(text(IDC_PROPERTIES_LEVEL1_TEXT), L"1.64V");
    EXPECT_EQ(driverCalls(), (std::vector<std::string>{"qvAdjVolt(0,255)", "qvAdjVolt(0,247)", "qvAdjVolt(0,246)"}));
}

TEST_F(Properties, C350SecondBarSendsTheSecondGroup) {
    app().outputLevel1 = 32;
    app().outputLevel2 = 100;
    ASSERT_TRUE(open(0xC350));
    scroll(IDC_PROPERTIES_LEVEL2_BAR, SB_PAGERIGHT);
    scroll(IDC_PROPERTIES_LEVEL1_BAR, SB_PAGELEFT);
    EXPECT_EQ(app().outputLevel2, 108);
    EXPECT_EQ(app().outputLevel1, 24);
    EXPECT_EQ(text(IDC_PROPERTIES_LEVEL2_TEXT), L"3.81V");
    EXPECT_EQ(driverCalls(), (std::vector<std::string>{"qvAdjVolt(1,108)", "qvAdjVolt(0,24)"}));
    // OK: the instrument is reset and both levels are sent again, with the interlock held.
    press(IDOK);
    EXPECT_EQ(driverCalls(),
              (std::vector<std::string>{"qvAdjVolt(1,108)", "qvAdjVolt(0,24)", "qvReset(3)", "qvAdjVolt(0,24)",
                                        "qvAdjVolt(1,108)", "qvPowerDown(3)"}));
    EXPECT_EQ(app().interlock.driverBusy.load(), 0);
}

TEST_F(Properties, SixteenChannelStoredTwelveShowsFiveVoltsAndSavesZero) {
    app().outputLevel1 = 12;
    ASSERT_TRUE(open(0xB016));
    EXPECT_EQ(text(IDC_PROPERTIES_LEVEL1_TEXT), L"5.0V");
    EXPECT_EQ(position(IDC_PROPERTIES_LEVEL1_BAR), 0);
    scroll(IDC_PROPERTIES_LEVEL1_BAR, SB_PAGERIGHT);
    scroll(IDC_PROPERTIES_LEVEL1_BAR, SB_PAGERIGHT);
    EXPECT_EQ(text(IDC_PROPERTIES_LEVEL1_TEXT), L"3.0V");
    scroll(IDC_PROPERTIES_LEVEL1_BAR, SB_THUMBTRACK, 7);
    EXPECT_EQ(text(IDC_PROPERTIES_LEVEL1_TEXT), L"1.5V");
    scroll(IDC_PROPERTIES_LEVEL1_BAR, SB_PAGERIGHT); // at the maximum already
    EXPECT_EQ(driverCalls(), (std::vector<std::string>{"qvAdjVolt(0,1)", "qvAdjVolt(0,2)", "qvAdjVolt(0,7)"}));
    DestroyWindow(dialog);

    app().outputLevel1 = 12;
    ASSERT_TRUE(open(0xB016));
    press(IDOK);
    EXPECT_EQ(app().outputLevel1, 0);
    EXPECT_EQ(driverCalls(), (std::vector<std::string>{"qvReset(3)", "qvAdjVolt(0,0)", "qvPowerDown(3)"}));
}

TEST_F(Properties, CancelAfterMovingABarKeepsTheLevel) {
    app().outputLevel1 = 40;
    ASSERT_TRUE(open(0xC020));
    scroll(IDC_PROPERTIES_LEVEL1_BAR, SB_THUMBTRACK, 100);
    CheckDlgButton(dialog, IDC_PROPERTIES_ONLINE_UPDATE, BST_UNCHECKED);
    selectLanguage(languageSimplifiedChinese);
    press(IDCANCEL);
    EXPECT_EQ(app().outputLevel1, 100);
    EXPECT_EQ(driverCalls(), (std::vector<std::string>{"qvAdjVolt(0,100)"}));
    // Nothing else of the dialog applies.
    EXPECT_EQ(app().onlineUpdateAtStartup, 1);
    EXPECT_EQ(chosenLanguage(), languageEnglish);
}

TEST_F(Properties, HelpButtonAndF1OpenTheTopic) {
    ASSERT_TRUE(open(0, noDevice));
    press(IDC_PROPERTIES_HELP);
    HELPINFO help{};
    help.cbSize = sizeof help;
    SendMessageW(dialog, WM_HELP, 0, reinterpret_cast<LPARAM>(&help));
    ASSERT_EQ(helpRequests().size(), 2u);
    for (const auto& request : helpRequests()) {
        EXPECT_EQ(request.topic, "::/3-1.htm");
        EXPECT_EQ(request.context, 100);
    }
}

TEST_F(Properties, OkChangesLanguageEverywhereAtOnce) {
    ASSERT_TRUE(createWindow());
    buildHelpPath();
    const std::string englishHelp = app().helpPath;
    ASSERT_TRUE(englishHelp.find("\\enQV.chm") != std::string::npos ||
                englishHelp.find("\\QVENG.hlp") != std::string::npos)
        << englishHelp;
    SetWindowTextW(window, L"Doveravevero Zodo Zudeduriz - (Untitled)");

    ASSERT_TRUE(open(0, noDevice));
    selectLanguage(languageTraditionalChinese);
    CheckDlgButton(dialog, IDC_PROPERTIES_ONLINE_UPDATE, BST_UNCHECKED);
    press(IDOK);
    applyLanguageChange(window);

    EXPECT_EQ(chosenLanguage(), languageTraditionalChinese);
    EXPECT_EQ(app().onlineUpdateAtStartup, 0);
    EXPECT_TRUE(app().helpPath.find("\\twQV.chm") != std::string::npos ||
                app().helpPath.find("\\QV.hlp") != std::string::npos)
        << app().helpPath;
    EXPECT_EQ(std::wstring(launcherText(0)), L"波形編輯器");
    EXPECT_EQ(std::wstring(launcherText(26)), L"內容");
    wchar_t label[64] = {};
    GetMenuStringW(GetSystemMenu(window, FALSE), 10029, label, 64, MF_BYCOMMAND);
    EXPECT_STREQ(label, L"內容");
    GetMenuStringW(GetSystemMenu(window, FALSE), 11010, label, 64, MF_BYCOMMAND);
    EXPECT_STREQ(label, L"說明");
    // The title keeps its untitled part in the new language. The main window is an ANSI window,
    // so compare what the code page can hold of it.
    char title[128] = {};
    GetWindowTextA(window, title, 128);
    EXPECT_EQ(std::string(title).rfind("Doveravevero Zodo Zudeduriz - (", 0), 0u) << title;
    EXPECT_EQ(std::string(title).find("Untitled"), std::string::npos) << title;
}

// ---- About ---------------------------------------------------------------------------------

TEST_F(Properties, AboutShowsVersionCentredAndDrawsThePicture) {
    app().versionText = "1.00B7";
    HWND about = createDialogInLanguage(nullptr, aboutDialog);
    ASSERT_TRUE(about);
    wchar_t version[64] = {};
    GetDlgItemTextW(about, IDC_ABOUT_VERSION, version, 64);
    EXPECT_STREQ(version, L"Version 1.00B7");
    DestroyWindow(about);
    // A build whose updater trusts the test key says so.
    app().updateTrust = UpdateTrust::Test;
    about = createDialogInLanguage(nullptr, aboutDialog);
    app().updateTrust = UpdateTrust::None;
    ASSERT_TRUE(about);
    GetDlgItemTextW(about, IDC_ABOUT_VERSION, version, 64);
    EXPECT_STREQ(version, L"Version 1.00B7 [TEST update key]");
    RECT box{};
    GetWindowRect(about, &box);
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    EXPECT_NEAR((box.left + box.right) / 2, screenWidth / 2, 1);
    EXPECT_NEAR((box.top + box.bottom) / 2, screenHeight / 2, 1);

    // Transparent drawing: the picture's corner shows the dialog background, its centre the mark.
    ShowWindow(about, SW_SHOW);
    UpdateWindow(about);
    RECT area{};
    GetWindowRect(GetDlgItem(about, IDC_ABOUT_PICTURE), &area);
    MapWindowPoints(nullptr, about, reinterpret_cast<POINT*>(&area), 2);
    HDC dc = GetDC(about);
    const COLORREF corner = GetPixel(dc, area.left + 1, area.top + 1);
    const COLORREF centre = GetPixel(dc, area.left + 48, area.top + 20);
    ReleaseDC(about, dc);
    EXPECT_EQ(corner, GetSysColor(COLOR_BTNFACE));
    EXPECT_NE(centre, GetSysColor(COLOR_BTNFACE));
    SendMessageW(about, WM_COMMAND, IDOK, 0);
    DestroyWindow(about);
}

TEST(Centring, StaysOnTheScreen) {
    HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
    HWND over = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    struct Case {
        RECT over;
        POINT expected;
    } cases[] = {
        {{100, 100, 500, 300}, {200, 150}},
        {{-300, -300, -100, -100}, {0, 0}},
        {{GetSystemMetrics(SM_CXSCREEN) - 50, GetSystemMetrics(SM_CYSCREEN) - 20, GetSystemMetrics(SM_CXSCREEN) + 50,
          GetSystemMetrics(SM_CYSCREEN) + 20},
         {GetSystemMetrics(SM_CXSCREEN) - 200, GetSystemMetrics(SM_CYSCREEN) - 100}},
    };
    for (const auto& c : cases) {
        MoveWindow(over, c.over.left, c.over.top, c.over.right - c.over.left, c.over.bottom - c.over.top, FALSE);
        centreWindow(window, over);
        RECT box{};
        GetWindowRect(window, &box);
        EXPECT_EQ(box.left, c.expected.x);
        EXPECT_EQ(box.top, c.expected.y);
        EXPECT_EQ(box.right - box.left, 200);
    }
    DestroyWindow(window);
    DestroyWindow(over);
}

} // namespace
} // namespace qv::win::test

namespace qv::win::test {
namespace {

// Works the modal Properties from a timer inside its own message loop: Traditional Chinese, OK.
void CALLBACK chooseTraditionalChinese(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND dialog = FindWindowW(L"#32770", L"Properties");
    if (!dialog) return;
    KillTimer(nullptr, timer);
    HWND combo = GetDlgItem(dialog, IDC_PROPERTIES_LANGUAGE);
    const int count = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i)
        if (SendMessageW(combo, CB_GETITEMDATA, i, 0) == languageTraditionalChinese)
            SendMessageW(combo, CB_SETCURSEL, i, 0);
    SendMessageW(dialog, WM_COMMAND, IDOK, 0);
}

using SystemMenu = ShellTest;

TEST_F(SystemMenu, PropertiesRelabelsLauncherMenuAndHelpAtOnce) {
    ASSERT_TRUE(createWindow());
    EXPECT_EQ(std::wstring(launcherText(0)), L"Wave Editor");
    SetTimer(nullptr, 0, 50, chooseTraditionalChinese);
    SendMessageW(window, WM_SYSCOMMAND, ID_PROPERTIES, 0);
    EXPECT_EQ(chosenLanguage(), languageTraditionalChinese);
    EXPECT_EQ(std::wstring(launcherText(0)), L"波形編輯器");
    wchar_t label[64] = {};
    GetMenuStringW(GetSystemMenu(window, FALSE), ID_ONLINE_UPDATE, label, 64, MF_BYCOMMAND);
    EXPECT_STREQ(label, L"線上更新");
    // The list view shows the new texts.
    wchar_t text[64] = {};
    LVITEMW query{};
    query.pszText = text;
    query.cchTextMax = 64;
    SendMessageW(app().launcher, LVM_GETITEMTEXTW, 26, reinterpret_cast<LPARAM>(&query));
    EXPECT_STREQ(text, L"內容");
}

} // namespace
} // namespace qv::win::test
