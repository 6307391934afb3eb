// The Wave Editor's run dialogs wired to their rules: System Parameter Setting's values in and
// out, its questions through the message-box script, Cancel; Sweep's error box, its Start/Stop
// button and the timer tick that sets a frequency.
#include "shell_fixture.h"

#include "app/dialog_template.h"
#include "resource.h"
#include "waveedit/sweep_dialog.h"
#include "waveedit/system_parameter_dialog.h"

#include <commctrl.h>

namespace qv::win::test {
namespace {

class RunDialogs : public ShellTest {
  protected:
    void SetUp() override {
        ShellTest::SetUp();
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_UPDOWN_CLASS};
        InitCommonControlsEx(&controls);
    }
    void TearDown() override {
        if (dialog && IsWindow(dialog)) DestroyWindow(dialog);
        ShellTest::TearDown();
    }
    // Answers the questions in turn and records every box.
    void answerBoxes(std::vector<int> answers) {
        boxAnswers = std::move(answers);
        setMessageBoxScript([this](const ShownMessage& shown) {
            shownBoxes.push_back(shown);
            if (boxAnswers.empty()) return IDOK;
            const int answer = boxAnswers.front();
            boxAnswers.erase(boxAnswers.begin());
            return answer;
        });
    }
    std::wstring text(int control) {
        wchar_t buffer[128] = {};
        GetDlgItemTextW(dialog, control, buffer, 128);
        return buffer;
    }
    void setText(int control, const wchar_t* value) { SetDlgItemTextW(dialog, control, value); }
    void press(int button) {
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
    }
    LRESULT comboCount(int control) { return SendDlgItemMessageW(dialog, control, CB_GETCOUNT, 0, 0); }
    LRESULT comboData(int control) {
        const LRESULT index = SendDlgItemMessageW(dialog, control, CB_GETCURSEL, 0, 0);
        return SendDlgItemMessageW(dialog, control, CB_GETITEMDATA, index, 0);
    }
    bool enabled(int control) { return IsWindowEnabled(GetDlgItem(dialog, control)) != FALSE; }

    HWND dialog = nullptr;
    std::vector<int> boxAnswers;
};

TEST_F(RunDialogs, SystemParameterValuesInAndOut) {
    SystemParameterRequest request{{2000000, 3, 13, 25}, capabilitiesFor(0xA020), 0};
    dialog = createDialogInLanguage(nullptr, systemParameterDialog, reinterpret_cast<LPARAM>(&request));
    ASSERT_TRUE(dialog);
    EXPECT_EQ(comboCount(IDC_SYSPARAM_MODE), 14);
    EXPECT_EQ(comboData(IDC_SYSPARAM_MODE), 3);
    EXPECT_EQ(comboData(IDC_SYSPARAM_HOTKEY), 13);
    EXPECT_EQ(text(IDC_SYSPARAM_FREQUENCY), L"2");
    EXPECT_EQ(text(IDC_SYSPARAM_UNIT), L"MHz");
    EXPECT_EQ(text(IDC_SYSPARAM_PERIOD), L"500 ns");
    EXPECT_EQ(text(IDC_SYSPARAM_CURSOR_CHANGE), L"2.5");

    press(IDC_SYSPARAM_UNIT);
    EXPECT_EQ(text(IDC_SYSPARAM_FREQUENCY), L"2000");
    EXPECT_EQ(text(IDC_SYSPARAM_UNIT), L"KHz");
    NMUPDOWN spin{{GetDlgItem(dialog, IDC_SYSPARAM_FREQUENCY_SPIN), IDC_SYSPARAM_FREQUENCY_SPIN, UDN_DELTAPOS}, 0, 1};
    SendMessageW(dialog, WM_NOTIFY, IDC_SYSPARAM_FREQUENCY_SPIN, reinterpret_cast<LPARAM>(&spin));
    EXPECT_EQ(text(IDC_SYSPARAM_FREQUENCY), L"2001");

    // No number: refused by name, nothing asked or stored.
    setText(IDC_SYSPARAM_FREQUENCY, L"abc");
    press(IDOK);
    ASSERT_EQ(shownBoxes.size(), 1u);
    EXPECT_EQ(shownBoxes[0].text, L"Frequency: 'abc' is not a number.");
    EXPECT_EQ(request.values.baseFrequency, 2000000);
    shownBoxes.clear();

    // 12023 No keeps everything; Yes shows the achievable value; 12072 keeps the dialog open.
    press(IDC_SYSPARAM_UNIT);
    setText(IDC_SYSPARAM_FREQUENCY, L"313");
    setText(IDC_SYSPARAM_CURSOR_CHANGE, L"11");
    answerBoxes({IDNO, IDYES});
    press(IDOK);
    EXPECT_EQ(request.values.baseFrequency, 2000000);
    press(IDOK);
    EXPECT_EQ(text(IDC_SYSPARAM_FREQUENCY), L"315");
    EXPECT_EQ(request.values.baseFrequency, 2000000) << "12072 stores nothing";
    ASSERT_EQ(shownBoxes.size(), 3u);
    EXPECT_EQ(shownBoxes[0].stringId, static_cast<int>(Msg::CantGenerateFrequency));
    EXPECT_EQ(shownBoxes[2].stringId, static_cast<int>(Msg::CursorChangeOverRange));

    setText(IDC_SYSPARAM_CURSOR_CHANGE, L"0.5");
    SendDlgItemMessageW(dialog, IDC_SYSPARAM_HOTKEY, CB_SETCURSEL, 0, 0);
    press(IDOK);
    EXPECT_EQ(request.values.baseFrequency, 315);
    EXPECT_EQ(request.values.eventHotKey, 32);
    EXPECT_EQ(request.values.cursorChangeTenths, 5);
    EXPECT_EQ(request.values.frequencyMode, 3);
}

TEST_F(RunDialogs, SystemParameterCardTypeExternalClockCancelAndHelp) {
    SystemParameterRequest request{{2000000, 4, 32, 10}, capabilitiesFor(0xA020), 18};
    dialog = createDialogInLanguage(nullptr, systemParameterDialog, reinterpret_cast<LPARAM>(&request));
    ASSERT_TRUE(dialog);
    EXPECT_EQ(comboCount(IDC_SYSPARAM_MODE), 6);
    EXPECT_EQ(comboData(IDC_SYSPARAM_MODE), 1) << "CKI2 is not offered on card type 18";
    EXPECT_TRUE(enabled(IDC_SYSPARAM_FREQUENCY));
    SendDlgItemMessageW(dialog, IDC_SYSPARAM_MODE, CB_SETCURSEL, 1, 0); // CKI1
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_SYSPARAM_MODE, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_SYSPARAM_MODE)));
    for (int control : {IDC_SYSPARAM_FREQUENCY, IDC_SYSPARAM_FREQUENCY_SPIN, IDC_SYSPARAM_UNIT})
        EXPECT_FALSE(enabled(control)) << control;
    setText(IDC_SYSPARAM_FREQUENCY, L"7");
    press(IDCANCEL);
    EXPECT_EQ(request.values.baseFrequency, 2000000);
    EXPECT_EQ(request.values.frequencyMode, 4);
    press(IDC_SYSPARAM_HELP);
    ASSERT_EQ(helpRequests().size(), 1u);
    EXPECT_EQ(helpRequests()[0].topic, "::/3-30.htm");
    EXPECT_TRUE(shownBoxes.empty());
}

std::vector<int> sweptFrequencies;

// A driver function, so with the driver's calling convention (a lambda has none in 32-bit builds).
std::int32_t QV_DRIVER_CALL recordFrequency(std::int32_t, std::int32_t frequency, std::int32_t, std::int32_t*,
                                            std::int32_t*, std::int32_t*, std::int32_t*, std::int32_t*, std::int32_t*) {
    sweptFrequencies.push_back(frequency);
    return 1;
}

TEST_F(RunDialogs, SweepErrorBoxStartStopAndTick) {
    sweptFrequencies.clear();
    Driver driver;
    driver.qvSetFreq = recordFrequency;
    DriverInterlock interlock;
    OutputFlags flags;
    struct NoPrompt : Prompt {
        Answer ask(int, Buttons) override { return Answer::No; }
        void show(int, const std::string&) override {}
    } prompt;
    OutputPorts ports{driver, 3, interlock, flags, prompt, capabilitiesFor(0xA020)};
    dialog = createDialogInLanguage(nullptr, sweepDialog, reinterpret_cast<LPARAM>(&ports));
    ASSERT_TRUE(dialog);
    EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_SWEEP_ONE_TIME), BST_CHECKED);
    EXPECT_EQ(text(IDC_SWEEP_START), L"Start");

    setText(IDC_SWEEP_INTERVAL, L"0");
    press(IDC_SWEEP_START);
    ASSERT_EQ(shownBoxes.size(), 1u);
    EXPECT_EQ(shownBoxes[0].text, L"Setting Error.");
    EXPECT_EQ(shownBoxes[0].caption, L"Sweep");
    EXPECT_EQ(text(IDC_SWEEP_START), L"Start");

    setText(IDC_SWEEP_START_FREQUENCY, L"2000");
    setText(IDC_SWEEP_END_FREQUENCY, L"1000");
    setText(IDC_SWEEP_STEP, L"500");
    setText(IDC_SWEEP_INTERVAL, L"60000");
    CheckRadioButton(dialog, IDC_SWEEP_ONE_TIME, IDC_SWEEP_SWING, IDC_SWEEP_SWING);
    press(IDC_SWEEP_START);
    EXPECT_EQ(text(IDC_SWEEP_START), L"Stop");
    for (int i = 0; i < 4; ++i) SendMessageW(dialog, WM_TIMER, sweepTimerId, 0);
    EXPECT_EQ(sweptFrequencies, (std::vector<int>{2000, 1500, 1000, 1500}));
    press(IDC_SWEEP_START);
    EXPECT_EQ(text(IDC_SWEEP_START), L"Start");
}

} // namespace
} // namespace qv::win::test
