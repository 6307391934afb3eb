// The Encoder and PWM dialogs' wiring: defaults at opening, Sample, a refused setting that keeps
// the dialog open with its field focused, Run on a virtual instrument (the Encoder's halved rate
// written back, PWM's locked controls) and Stop, and PWM's Export with its overwrite question.
// The builders and their checks are tested natively.
#include "shell_fixture.h"
#include "../core/temp_folder.h"
#include "app/controls.h"
#include "device/driver_loader.h"
#include "generators/encoder_dialog.h"
#include "generators/generator_dialog.h"
#include "generators/pwm_dialog.h"
#include "resource.h"
#include "waveedit/waveform_file_dialogs.h"

#include <commctrl.h>

namespace qv::win::test {
namespace {

class EncoderPwmDialogTest : public DocumentShellTest {
  protected:
    void SetUp() override {
        DocumentShellTest::SetUp();
        setGeneratorBeep([this] { ++beeps; });
        setMessageBoxScript([this](const ShownMessage& shown) {
            shownBoxes.push_back(shown);
            return answer;
        });
        createWindow();
    }
    void TearDown() override {
        if (app().openDialog) SendMessageW(app().openDialog, WM_CLOSE, 0, 0);
        pumpMessages();
        setGeneratorBeep({});
        setFileNameAsker({});
        ShellTest::TearDown();
    }
    static void click(HWND dialog, int control) {
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(control, BN_CLICKED), 0);
    }
    static void waitForRunEnd() {
        for (int i = 0; i < 100 && !waitForOutputThread(10); ++i) pumpMessages();
        pumpMessages();
    }
    static void waitForOutput() {
        for (int i = 0; i < 100 && generatorFlags().outputActive.load() == 0; ++i) {
            Sleep(50);
            pumpMessages();
        }
    }
    void expectRefused(HWND dialog, Msg message, int focus) {
        shownBoxes.clear();
        click(dialog, IDC_GEN_RUN);
        waitForRunEnd();
        ASSERT_EQ(shownBoxes.size(), 1u);
        EXPECT_EQ(shownBoxes[0].stringId, static_cast<int>(message));
        EXPECT_EQ(generatorFlags().running.load(), 0);
        EXPECT_EQ(app().openDialog, dialog);
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDC_GEN_RUN)));
        EXPECT_EQ(GetFocus(), GetDlgItem(dialog, focus));
        shownBoxes.clear();
    }
    int beeps = 0;
    int answer = IDOK;
};

TEST_F(EncoderPwmDialogTest, EncoderRefusesEmptyDataThenRunsAtTheHalvedRate) {
    const std::string capture = folder.file("encoder.vcd");
    DriverLoad load = attachVirtualInstrument(0xB016, capture);
    ASSERT_EQ(load.problem, DriverProblem::None);
    openEncoderTool(window, ID_TOOL_ENCODER, 0);
    HWND encoder = encoderToolWindow();
    ASSERT_NE(encoder, nullptr);
    EXPECT_TRUE(isChecked(encoder, IDC_ENCODER_NRZI));
    EXPECT_TRUE(isChecked(encoder, IDC_ENCODER_MSB));
    EXPECT_EQ(fieldText(encoder, IDC_ENCODER_CHANNEL), L"0");
    EXPECT_EQ(fieldText(encoder, IDC_GEN_RATE_UNIT), L"MHz");
    expectRefused(encoder, Msg::EncoderNoData, IDC_ENCODER_DATA);

    click(encoder, IDC_ENCODER_SAMPLE);
    EXPECT_EQ(fieldText(encoder, IDC_ENCODER_DATA), L"1a;\r\n2b;\r\n3c;\r\n4d;\r\n5e;\r\n6f;\r\n");
    setChecked(encoder, IDC_ENCODER_NRZI, false);
    setChecked(encoder, IDC_ENCODER_IEEE, true);
    setFieldText(encoder, IDC_ENCODER_CHANNEL, std::string("5"));
    setFieldText(encoder, IDC_GEN_RATE, std::string("600"));
    click(encoder, IDC_GEN_RATE_UNIT); // KHz
    click(encoder, IDC_GEN_RATE_UNIT); // Hz
    setFieldText(encoder, IDC_GEN_RATE, std::string("60000000")); // over half the maximum
    click(encoder, IDC_GEN_RUN);
    waitForOutput();
    EXPECT_EQ(generatorFlags().outputActive.load(), 1);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(encoder, IDC_GEN_RUN)));
    EXPECT_EQ(fieldText(encoder, IDC_GEN_RATE), L"50");
    EXPECT_EQ(fieldText(encoder, IDC_GEN_RATE_UNIT), L"MHz");
    click(encoder, IDC_ENCODER_STOP);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(encoder, IDC_GEN_RUN)));
    EXPECT_TRUE(shownBoxes.empty());
    SendMessageW(encoder, WM_CLOSE, 0, 0);
    pumpMessages();
    detachVirtualInstrument(load);
    const std::string text(qv::test::readText(capture));
    EXPECT_NE(text.find("sample clock 100000000 Hz"), std::string::npos) << text.substr(0, 200);
    EXPECT_NE(text.find("$var wire 1 & ch5 $end"), std::string::npos);
    EXPECT_NE(text.find("1&"), std::string::npos); // the line on channel 5 moved
    EXPECT_EQ(encoderToolWindow(), nullptr);
}

TEST_F(EncoderPwmDialogTest, PwmRefusesOneChannelTwiceRunsLockedAndExports) {
    openPwmTool(window, ID_TOOL_PWM, 0);
    HWND pwm = pwmToolWindow();
    ASSERT_NE(pwm, nullptr);
    RECT frame{};
    GetWindowRect(window, &frame);
    EXPECT_EQ(frame.left, GetSystemMetrics(SM_CXSCREEN) / 4);
    EXPECT_EQ(frame.top, GetSystemMetrics(SM_CYSCREEN) / 3);
    EXPECT_EQ(fieldText(pwm, IDC_PWM_FREQUENCY), L"100");
    EXPECT_EQ(fieldText(pwm, IDC_PWM_UNIT), L"KHz");
    EXPECT_EQ(fieldText(pwm, IDC_PWM_DUTY1), L"50");
    EXPECT_TRUE(isChecked(pwm, IDC_GEN_REPEAT));
    EXPECT_TRUE(isChecked(pwm, IDC_PWM_STEP_PERCENT));
    const std::wstring percent = fieldText(pwm, IDC_PWM_STEP_PERCENT);
    EXPECT_NE(percent.find(L"1% "), std::wstring::npos) << percent;
    setFieldText(pwm, IDC_PWM_CHANNEL2, std::string("0"));
    expectRefused(pwm, Msg::PwmSameChannel, IDC_PWM_CHANNEL2);
    setFieldText(pwm, IDC_PWM_CHANNEL2, std::string("1"));

    // Export: the path shown; a second Export over it answered No leaves the file as it was.
    const std::string path = folder.file("pwm.qvv");
    setFileNameAsker([&](FileNameRequest& request, std::string& chosen) {
        EXPECT_EQ(request.defaultExtension, "qvv");
        chosen = path;
        return true;
    });
    setFieldText(pwm, IDC_PWM_DUTY2, std::string("25"));
    click(pwm, IDC_PWM_EXPORT);
    EXPECT_TRUE(shownBoxes.empty());
    EXPECT_EQ(fieldText(pwm, IDC_PWM_FILE), fromAnsi(path));
    const std::string written(qv::test::readText(path));
    EXPECT_NE(written.find("JP 30"), std::string::npos);
    setFieldText(pwm, IDC_PWM_DUTY2, std::string("75"));
    answer = IDNO;
    click(pwm, IDC_PWM_EXPORT);
    ASSERT_EQ(shownBoxes.size(), 1u);
    EXPECT_EQ(shownBoxes[0].stringId, static_cast<int>(Msg::FileExistOverwrite));
    EXPECT_EQ(qv::test::readText(path), written);
    answer = IDOK;
    shownBoxes.clear();

    const std::string capture = folder.file("pwm.vcd");
    DriverLoad load = attachVirtualInstrument(0xB016, capture);
    ASSERT_EQ(load.problem, DriverProblem::None);
    click(pwm, IDC_GEN_RUN);
    waitForOutput();
    EXPECT_EQ(generatorFlags().outputActive.load(), 1);
    for (int locked : {IDC_GEN_RUN, IDC_PWM_EXPORT, IDC_PWM_CHANNEL1, IDC_PWM_FREQUENCY, IDC_GEN_REPEAT})
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(pwm, locked))) << locked;
    // Editing a duty while the period runs stops it.
    SendDlgItemMessageW(pwm, IDC_PWM_DUTY1, EM_SETSEL, 0, -1);
    SendDlgItemMessageW(pwm, IDC_PWM_DUTY1, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"40"));
    EXPECT_EQ(generatorFlags().running.load(), 0);
    for (int unlocked : {IDC_GEN_RUN, IDC_PWM_EXPORT, IDC_PWM_CHANNEL1, IDC_PWM_FREQUENCY, IDC_GEN_REPEAT})
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(pwm, unlocked))) << unlocked;
    EXPECT_TRUE(shownBoxes.empty());
    SendMessageW(pwm, WM_CLOSE, 0, 0);
    pumpMessages();
    detachVirtualInstrument(load);
    const std::string text(qv::test::readText(capture));
    EXPECT_NE(text.find("sample clock 10000000 Hz"), std::string::npos) << text.substr(0, 200);
    EXPECT_NE(text.find("1\""), std::string::npos); // output 2 on channel 1 went high
    EXPECT_EQ(pwmToolWindow(), nullptr);
}

} // namespace
} // namespace qv::win::test
