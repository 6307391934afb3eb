// The label operations of the label column: Add Label and Add PODs, Add Bus Label / Combine /
// Arrange with their bit-order strip, Delete, Delete All, Add All Labels, Decompose, renaming,
// Label Setting, dragging labels, the name rules and the context menu per selection. Each works on
// the document's label table (and clears the sample bits of new labels), stores a label undo
// snapshot first (renaming and Label Setting excepted), and leaves the table normalised. A refused
// operation returns its message and changes nothing. The dialogs move values between controls and
// these structs; the window rebuilds its rows and redraws after a change.
//
// Decisions this module makes:
// - Add PODs on channels the model does not have: a chosen POD with a channel at or above the
//   channel count refuses the whole operation with 12011 "Too many channels!", as Add Label does
//   for one channel; no label is ever made for a channel the instrument cannot output.
// - Dropping a label onto another makes a bus that keeps the name, group type and colour of the
//   label dropped onto, takes its place in the table and has its bits as the most significant;
//   the dragged label's bits (or those of every selected label, in table order) follow as the
//   less significant ones.
#pragma once

#include "device/prompt.h"
#include "support/strings.h"
#include "waveedit/document.h"
#include "waveedit/labels.h"

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

inline constexpr int podCount = 5; // POD A .. POD E
inline constexpr int maxLabelNameLength = labelNameBytes - 1;
inline constexpr int decomposeNameLength = 28; // the bus name kept before "-%02d"

// ---- names and selection --------------------------------------------------------------------------

// 12012 when the name is empty, longer than 31 characters or holds a forbidden character; 12013
// when another label already bears it (the labels in `replaced` excepted).
Msg checkLabelName(const LabelTable& table, std::string_view name, std::span<const LabelSpan> replaced = {});
// "CH-%02d".
std::string defaultChannelName(int channel);
// The labels whose row record carries state flag bit 0, in table order.
std::vector<LabelSpan> selectedLabels(const LabelTable& table);
// The channels (bit index - 12) of a label's records, most significant first; command bits left out.
std::vector<int> labelChannels(const LabelTable& table, LabelSpan label);

// ---- Add Label (dialog 338) -------------------------------------------------------------------------

struct AddLabelSetting {
    std::string name;
    int channel = 0;
    int colour = colourDataLabel;
};
// 12012/12013 by the name rules, 12011 for a channel at or above the channel count or a full
// table. Appends a single label and clears its bit in every usable sample; newRow is its row.
Msg addLabel(Document& doc, const AddLabelSetting& setting, int& newRow);
// The channels of POD `pod` (0 = A): channelsPerGroup of them from pod * channelsPerGroup.
std::vector<int> podChannels(int pod, int channelsPerGroup);
// Every chosen POD (bit p of podMask = POD p) in order A to E as "CH-nn" labels, colour 15. 12013
// when a label already bears one of their names, 12011 for a channel beyond the model or a full table.
Msg addPods(Document& doc, unsigned podMask);

// ---- Add Bus Label / Combine / Arrange (dialog 341) -----------------------------------------------

enum class BusDialogMode { AddBus, Combine, Arrange };
// The channel buttons the dialog enables: AddBus every channel no label uses; Combine the data
// channels of the selected labels; Arrange those of the selected bus label. Ascending.
std::vector<int> busDialogChannels(const LabelTable& table, BusDialogMode mode, int channelCount);
// Arrange presets the name of the selected bus label (empty when there is none).
std::string arrangePresetName(const LabelTable& table);

// The bit-order strip: the first channel is the least significant bit, the last the most.
struct BitOrder {
    std::vector<int> channels;
    // A channel button: appends the channel, or removes it when it is in the order already.
    void press(int channel);
    // "All On": appends every enabled channel not yet in the order, ascending.
    void allOn(std::span<const int> enabled);
    void allOff() { channels.clear(); }
};

struct BusLabelSetting {
    std::string name;
    GroupType type = GroupType::Hex;
    int colour = colourDataLabel;
    BitOrder order;
};
// OK of dialog 341. An empty order changes nothing (Msg::None). Combine and Arrange need every
// enabled channel in the order (12014), then the name rules (the replaced labels excepted); 12009
// when Combine would take in the command label, 12064 when Arrange would change it, 12011 when the
// table cannot hold the bus. The bus is written most significant (last chosen) first; Add Bus
// inserts it before the first selected label or at the end, Combine and Arrange replace the
// selected labels at the place of the first. Its bits are cleared in every usable sample.
Msg applyBusLabel(Document& doc, BusDialogMode mode, const BusLabelSetting& setting, std::span<const int> enabled);

// ---- Delete, Delete All, Add All, Decompose ---------------------------------------------------------

// Removes the selected labels except the command label; the waveform stays.
void deleteSelectedLabels(Document& doc);
// Removes every label but the command label; the waveform stays.
void deleteAllLabels(Document& doc);
// 12008 when a data label exists: Cancel ends, Yes makes the table the default command label and
// clears the usable waveform, No keeps the labels. Then every channel with neither a label on its
// bit nor a label bearing its default name gets a "CH-nn" label (HEX, colour 15) at the end, its
// bit cleared in every usable sample. Returns the answer (Yes when nothing was asked).
Answer addAllLabels(Document& doc, Prompt& prompt);
// Every selected bus of data bits becomes single labels, one a bit in the same order, named with
// the bus name cut to 28 characters and "-%02d", counted from the least significant bit. 12013
// when such a name is already borne by another label.
Msg decomposeSelectedLabels(Document& doc);

// ---- renaming and Label Setting (dialog 339) ---------------------------------------------------------

// 12064 when a selected label is the command label (Modify Label Name, Property, Properties).
Msg checkLabelsModifiable(const LabelTable& table);
// Enter in the rename edit: the name rules (the label itself excepted), then the name into every
// record of the first selected label. 12064 as above.
Msg renameSelectedLabel(Document& doc, std::string_view name);

// What Label Setting shows on opening: the first selected label's values; a value that differs
// among the selected labels is marked mixed and counts as unchanged unless the user picks one.
struct LabelSettingValues {
    std::string name;
    bool nameEnabled = true; // one label selected
    GroupType type = GroupType::Hex;
    bool typeEnabled = true; // false (and shown as HEX) when a selected label lies on command bits
    bool typeMixed = false;
    int colour = colourDataLabel;
    bool colourMixed = false;
};
Msg openLabelSetting(const LabelTable& table, LabelSettingValues& values);
// OK: `chosen` as the dialog holds it, typePicked/colourPicked whether the user chose one. The
// name rules for a single label, then name, group type (picked or common) and colour (picked or
// common) into every selected record; the label selection is cleared.
Msg applyLabelSetting(Document& doc, const LabelSettingValues& opened, const LabelSettingValues& chosen,
                      bool typePicked, bool colourPicked);

// ---- dragging in the label column --------------------------------------------------------------------

// A drop between rows: the dragged row's label, or every selected label when it is selected, moves
// before row `beforeRow` (the row count: to the end), keeping table order.
void dropLabelsBetween(Document& doc, int draggedRow, int beforeRow);
// A drop onto row `targetRow`: the labels become one bus (see the decisions above). 12009 when the
// command label is involved. renameFollows: the dragged label was selected, so Modify Label Name
// follows for the new bus (then selected alone).
Msg dropLabelOnto(Document& doc, int draggedRow, int targetRow, bool& renameFollows);

// ---- the label column's context menu ------------------------------------------------------------------

enum class LabelSelectionCase { Nothing, OneSingle, OneBus, CommandOnly, SeveralSingles, SeveralWithBuses, Mixed };
LabelSelectionCase labelSelectionCase(const LabelTable& table);

// One entry: a command id (its text is the string of the same id), or 0 for a separator.
struct LabelMenuEntry {
    int command = 0;
    bool enabled = true;
    bool operator==(const LabelMenuEntry&) const = default;
};
inline constexpr int labelCommandUndo = 11012;
inline constexpr int labelCommandAdd = 11013;
inline constexpr int labelCommandDelete = 11014;
inline constexpr int labelCommandAddAll = 11015;
inline constexpr int labelCommandDeleteAll = 11016;
inline constexpr int labelCommandRename = 11018;
inline constexpr int labelCommandCombine = 11019;
inline constexpr int labelCommandDecompose = 11020;
inline constexpr int labelCommandArrange = 11021;
inline constexpr int labelCommandProperty = 11035;
inline constexpr int labelCommandProperties = 11036;
inline constexpr int labelCommandAddBus = 11037;
// "Undo" (disabled while the label undo ring is empty), a separator, then the entries of the case.
std::vector<LabelMenuEntry> labelContextMenu(LabelSelectionCase selection, bool canUndoLabels);

} // namespace qv
