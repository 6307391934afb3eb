// The label column's wiring: the right-click menu per selection and its commands reaching the
// label operations, Add All Labels answered through a box, and the label dialogs keeping open on a
// refused name. The operations themselves are tested natively (label_ops_test).
#include "shell_fixture.h"

#include "../core/temp_folder.h"
#include "app/controls.h"
#include "app/dialog_template.h"
#include "resource.h"
#include "waveedit/add_label_dialog.h"
#include "waveedit/bus_label_dialog.h"
#include "waveedit/label_name_dialog.h"
#include "waveedit/handoff.h"
#include "waveedit/label_menu.h"
#include "waveedit/labels.h"
#include "waveedit/wave_editor.h"
#include "waveedit/wave_editor_state.h"

#include <commctrl.h>

#include <vector>

namespace qv::win::test {
namespace {

struct MenuItem {
    int command; // 0: a separator
    bool enabled;
    bool operator==(const MenuItem&) const = default;
};

class LabelColumnTest : public DocumentShellTest {
  protected:
    void SetUp() override {
        DocumentShellTest::SetUp();
        // QV_Function, CLK (channel 0) and DATA (channels 8..1).
        LabelTable labels{};
        writeClockAndDataLabels(labels);
        editorWindow =
            openEditorOver(labels, std::vector<Sample>(static_cast<std::size_t>(document().usableSamples())));
        ASSERT_NE(editorWindow, nullptr);
        setLabelMenuTracker([this](HMENU menu) {
            shownMenu.clear();
            for (int i = 0; i < GetMenuItemCount(menu); ++i) {
                MENUITEMINFOW info{};
                info.cbSize = sizeof info;
                info.fMask = MIIM_ID | MIIM_STATE | MIIM_FTYPE;
                GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info);
                const bool separatorItem = (info.fType & MFT_SEPARATOR) != 0;
                shownMenu.push_back({separatorItem ? 0 : static_cast<int>(info.wID),
                                     separatorItem || (info.fState & MFS_DISABLED) == 0});
            }
            return menuChoice;
        });
    }
    void TearDown() override {
        setLabelMenuTracker({});
        if (HWND open = waveEditorWindow()) SendMessageW(open, WM_CLOSE, 0, 0);
        ShellTest::TearDown();
    }
    // A point on a row's label name.
    static LPARAM onName(int row) {
        const WaveEditorState& s = editor();
        return MAKELPARAM(s.layout.splitters[0] / 2, rowTop(s.layout.position, s.area, row) + s.area.rowHeight / 2);
    }
    void rightClick(int row, int choice = 0) {
        menuChoice = choice;
        SendMessageW(editorWindow, WM_RBUTTONDOWN, MK_RBUTTON, onName(row));
        pumpMessages(); // the chosen command is posted
    }
    std::vector<std::string> rowNames() const {
        std::vector<std::string> names;
        for (const ViewRow& row : editor().rows) names.emplace_back(document().labels()[row.firstRecord].name);
        return names;
    }

    HWND editorWindow = nullptr;
    std::vector<MenuItem> shownMenu;
    int menuChoice = 0;
};

constexpr MenuItem separator{0, true};

TEST_F(LabelColumnTest, RightClickSelectsTheLabelShowsItsMenuAndRunsTheChosenCommand) {
    rightClick(1, ID_WAVE_DELETE_LABEL); // CLK, not selected before
    const std::vector<MenuItem> single{{ID_WAVE_LABEL_UNDO, false},       separator,
                                       {ID_WAVE_ADD_LABEL, true},         {ID_WAVE_ADD_BUS_LABEL, true},
                                       {ID_WAVE_DELETE_LABEL, true},      {ID_WAVE_ADD_ALL_LABELS, true},
                                       {ID_WAVE_DELETE_ALL_LABELS, true}, separator,
                                       {ID_WAVE_MODIFY_LABEL_NAME, true}, {ID_WAVE_PROPERTIES, true}};
    EXPECT_EQ(shownMenu, single);
    EXPECT_EQ(rowNames(), (std::vector<std::string>{"QV_Function", "DATA"}));

    rightClick(0, ID_WAVE_LABEL_UNDO); // the command label: Delete disabled; Undo now offered
    const std::vector<MenuItem> command{{ID_WAVE_LABEL_UNDO, true},        separator,
                                        {ID_WAVE_ADD_LABEL, true},         {ID_WAVE_ADD_BUS_LABEL, true},
                                        {ID_WAVE_DELETE_LABEL, false},     {ID_WAVE_ADD_ALL_LABELS, true},
                                        {ID_WAVE_DELETE_ALL_LABELS, true}, separator,
                                        {ID_WAVE_LABEL_PROPERTIES, true}};
    EXPECT_EQ(shownMenu, command);
    EXPECT_EQ(rowNames(), (std::vector<std::string>{"QV_Function", "CLK", "DATA"}));

    // CLK and DATA selected (Ctrl+click): several labels including a bus.
    SendMessageW(editorWindow, WM_LBUTTONDOWN, MK_LBUTTON, onName(1));
    SendMessageW(editorWindow, WM_LBUTTONUP, 0, onName(1));
    SendMessageW(editorWindow, WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, onName(2));
    SendMessageW(editorWindow, WM_LBUTTONUP, MK_CONTROL, onName(2));
    rightClick(2);
    const std::vector<MenuItem> several{{ID_WAVE_LABEL_UNDO, false},
                                        separator,
                                        {ID_WAVE_ADD_LABEL, true},
                                        {ID_WAVE_DELETE_LABEL, true},
                                        {ID_WAVE_ADD_ALL_LABELS, true},
                                        {ID_WAVE_DELETE_ALL_LABELS, false},
                                        separator,
                                        {ID_WAVE_COMBINE, true},
                                        {ID_WAVE_DECOMPOSE, true},
                                        separator,
                                        {ID_WAVE_LABEL_PROPERTIES, true}};
    EXPECT_EQ(shownMenu, several);
}

TEST_F(LabelColumnTest, AddAllLabelsAnsweredNoKeepsTheLabelsAndAddsTheFreeChannels) {
    setMessageBoxScript([this](const ShownMessage& shown) {
        shownBoxes.push_back(shown);
        return IDNO;
    });
    SendMessageW(editorWindow, WM_COMMAND, MAKEWPARAM(ID_WAVE_ADD_ALL_LABELS, 0), 0);
    ASSERT_EQ(shownBoxes.size(), 1u);
    EXPECT_EQ(shownBoxes[0].stringId, static_cast<int>(Msg::DeleteAllLabelsQuestion));
    const std::vector<std::string> names = rowNames();
    ASSERT_EQ(names.size(), 3u + 41u); // channels 9 .. 49 were free
    EXPECT_EQ(names[2], "DATA");
    EXPECT_EQ(names[3], "CH-09");
    EXPECT_EQ(names.back(), "CH-49");
}

TEST_F(LabelColumnTest, AddLabelDialogStaysOpenOnARefusedNameAndAddsOnOk) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_UPDOWN_CLASS};
    InitCommonControlsEx(&controls);
    AddLabelRequest request{&document()};
    HWND dialog = createDialogInLanguage(nullptr, addLabelDialog, reinterpret_cast<LPARAM>(&request));
    ASSERT_TRUE(dialog);
    EXPECT_EQ(fieldText(dialog, IDC_LABEL_NAME), L"CH-09"); // the lowest free channel
    // Typing starts in the name; Tab goes in reading order, each mode where its fields are.
    EXPECT_EQ(GetFocus(), GetDlgItem(dialog, IDC_LABEL_NAME));
    std::vector<int> order;
    for (HWND item = GetDlgItem(dialog, IDC_LABEL_ADD_SINGLE); order.size() < 23;
         item = GetNextDlgTabItem(dialog, item, FALSE))
        order.push_back(GetDlgCtrlID(item));
    std::vector<int> expected{IDC_LABEL_ADD_SINGLE, IDC_LABEL_NAME, IDC_LABEL_CHANNEL};
    for (int c = 0; c < 16; ++c) expected.push_back(IDC_LABEL_COLOUR_FIRST + c);
    expected.insert(expected.end(), {IDC_LABEL_ADD_PODS, IDOK, IDCANCEL, IDC_LABEL_HELP});
    EXPECT_EQ(order, expected); // the POD boxes are disabled in this mode
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_LABEL_ADD_PODS, BN_CLICKED), 0);
    EXPECT_TRUE(isChecked(dialog, IDC_LABEL_ADD_PODS));
    EXPECT_FALSE(isChecked(dialog, IDC_LABEL_ADD_SINGLE));
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_LABEL_ADD_SINGLE, BN_CLICKED), 0);
    EXPECT_TRUE(isChecked(dialog, IDC_LABEL_ADD_SINGLE));
    EXPECT_FALSE(isChecked(dialog, IDC_LABEL_ADD_PODS));
    setFieldText(dialog, IDC_LABEL_NAME, std::wstring(L"A;B"));
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    ASSERT_EQ(shownBoxes.size(), 1u);
    EXPECT_EQ(shownBoxes[0].stringId, static_cast<int>(Msg::LabelNameInvalid));
    EXPECT_FALSE(request.changed);

    setFieldText(dialog, IDC_LABEL_NAME, std::wstring(L"CLK")); // in use
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    ASSERT_EQ(shownBoxes.size(), 2u);
    EXPECT_EQ(shownBoxes[1].stringId, static_cast<int>(Msg::LabelNameInUse));

    setFieldText(dialog, IDC_LABEL_NAME, std::wstring(L"STROBE"));
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_LABEL_COLOUR_FIRST + 4, BN_CLICKED), 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_EQ(shownBoxes.size(), 2u);
    EXPECT_TRUE(request.changed);
    EXPECT_EQ(request.firstNewRow, 3);
    DestroyWindow(dialog);
    const LabelRecord& added = document().labels()[labelRecordCount(document().labels()) - 1];
    EXPECT_STREQ(added.name, "STROBE");
    EXPECT_EQ(added.bitIndex, 12 + 9);
    EXPECT_EQ(added.colour, 4);
}

TEST_F(LabelColumnTest, GroupDialogOffersTheSelectedChannelsAndNeedsThemAllInTheOrder) {
    for (int row : {1, 2}) { // CLK and DATA selected
        SendMessageW(editorWindow, WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, onName(row));
        SendMessageW(editorWindow, WM_LBUTTONUP, MK_CONTROL, onName(row));
    }
    BusLabelRequest request{&document(), BusDialogMode::Combine, false};
    HWND dialog = createDialogInLanguage(nullptr, busLabelDialog, reinterpret_cast<LPARAM>(&request));
    ASSERT_TRUE(dialog);
    wchar_t caption[32] = {};
    GetWindowTextW(dialog, caption, 32);
    EXPECT_STREQ(caption, L"Group");
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDC_BUS_CHANNEL_FIRST + 8)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_BUS_CHANNEL_FIRST + 9)));

    auto press = [dialog](int control) { SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(control, BN_CLICKED), 0); };
    setFieldText(dialog, IDC_BUS_NAME, std::wstring(L"BUS"));
    press(IDC_BUS_CHANNEL_FIRST + 3);
    EXPECT_TRUE(isChecked(dialog, IDC_BUS_CHANNEL_FIRST + 3));
    press(IDOK);
    ASSERT_EQ(shownBoxes.size(), 1u);
    EXPECT_EQ(shownBoxes[0].stringId, static_cast<int>(Msg::SomeChannelMissing));
    EXPECT_FALSE(request.changed);

    press(IDC_BUS_ALL_OFF);
    press(IDC_BUS_ALL_ON); // 0 .. 8: channel 0 the least significant bit
    press(IDOK);
    EXPECT_EQ(shownBoxes.size(), 1u);
    EXPECT_TRUE(request.changed);
    DestroyWindow(dialog);
    const LabelTable& table = document().labels();
    EXPECT_STREQ(table[12].name, "BUS");
    EXPECT_EQ(table[12].bitIndex, 12 + 8);
    EXPECT_EQ(table[20].bitIndex, 12 + 0);
    EXPECT_EQ(labelRecordCount(table), 12 + 9);
}

TEST_F(LabelColumnTest, DraggingALabelNameMovesItOrCombinesIt) {
    auto drag = [this](int row, LPARAM to) {
        SendMessageW(editorWindow, WM_LBUTTONDOWN, MK_LBUTTON, onName(row));
        SendMessageW(editorWindow, WM_MOUSEMOVE, MK_LBUTTON, to);
        SendMessageW(editorWindow, WM_LBUTTONUP, 0, to);
        pumpMessages();
    };
    const WaveEditorState& s = editor();
    const int x = s.layout.splitters[0] / 2;
    drag(2, MAKELPARAM(x, rowTop(s.layout.position, s.area, 1) + 1)); // DATA before CLK
    EXPECT_EQ(rowNames(), (std::vector<std::string>{"QV_Function", "DATA", "CLK"}));

    drag(2, onName(1)); // CLK onto DATA: one bus, DATA's name, CLK's bit the least significant
    EXPECT_EQ(rowNames(), (std::vector<std::string>{"QV_Function", "DATA"}));
    EXPECT_EQ(editor().rows[1].width, 9);

    drag(1, onName(0)); // onto the command label: refused
    ASSERT_EQ(shownBoxes.size(), 1u);
    EXPECT_EQ(shownBoxes[0].stringId, static_cast<int>(Msg::CantCombineQvFunction));
    EXPECT_EQ(rowNames(), (std::vector<std::string>{"QV_Function", "DATA"}));
}

TEST_F(LabelColumnTest, RenameEditLiesOverTheNameAndKeepsOpenOnANameInUse) {
    SendMessageW(editorWindow, WM_LBUTTONDOWN, MK_LBUTTON, onName(1)); // CLK selected
    SendMessageW(editorWindow, WM_LBUTTONUP, 0, onName(1));
    LabelNameRequest request{&document(), RECT{100, 200, 190, 216}, false};
    HWND dialog = createDialogInLanguage(nullptr, labelNameDialog, reinterpret_cast<LPARAM>(&request));
    ASSERT_TRUE(dialog);
    RECT placed{};
    GetWindowRect(dialog, &placed);
    EXPECT_EQ(placed.left, 100);
    EXPECT_EQ(placed.bottom, 216);
    EXPECT_EQ(fieldText(dialog, IDC_RENAME_EDIT), L"CLK");

    setFieldText(dialog, IDC_RENAME_EDIT, std::wstring(L"DATA"));
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, 0), 0); // Enter
    ASSERT_EQ(shownBoxes.size(), 1u);
    EXPECT_EQ(shownBoxes[0].stringId, static_cast<int>(Msg::LabelNameInUse));
    setFieldText(dialog, IDC_RENAME_EDIT, std::wstring(L"CLOCK"));
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, 0), 0);
    EXPECT_TRUE(request.changed);
    DestroyWindow(dialog);
    EXPECT_STREQ(document().labels()[12].name, "CLOCK");
}

} // namespace
} // namespace qv::win::test
