// Label operations: the table is read into a list of labels (each its records, most significant
// first), changed as a list and written back whole, normalised. The table is small (202 records),
// so a copy per operation costs nothing and keeps every operation all-or-nothing.
#include "waveedit/label_ops.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace qv {
namespace {

using Label = std::vector<LabelRecord>;

constexpr std::string_view forbiddenNameCharacters = ",{}&%#^*+`;:'\"?\t<>|\\=";

std::vector<Label> readLabels(const LabelTable& table) {
    std::vector<Label> labels;
    forEachLabel(table, [&](LabelSpan span) {
        labels.emplace_back(table.begin() + span.first, table.begin() + span.first + span.count);
    });
    return labels;
}

int recordTotal(const std::vector<Label>& labels) {
    int total = 0;
    for (const Label& l : labels) total += static_cast<int>(l.size());
    return total;
}

// The records always leave the last slot a terminator: callers check recordTotal first.
void writeLabels(LabelTable& table, const std::vector<Label>& labels) {
    table.fill(LabelRecord{});
    std::size_t next = 0;
    for (const Label& l : labels)
        for (const LabelRecord& r : l)
            if (next < static_cast<std::size_t>(maxLabels)) table[next++] = r;
    normaliseLabels(table);
}

bool selected(const Label& l) { return (l.front().stateFlags & stateLabelSelected) != 0; }
bool command(const Label& l) { return isCommandLabel(l.front()); }
std::string_view nameOf(const LabelRecord& r) { return {r.name, strnlen(r.name, labelNameBytes)}; }

void setName(LabelRecord& r, std::string_view name) {
    std::memset(r.name, 0, labelNameBytes);
    std::memcpy(r.name, name.data(), std::min<std::size_t>(name.size(), maxLabelNameLength));
}

// A label over bits given most significant first: a single label for one bit, else a bus.
Label makeLabel(std::string_view name, GroupType type, int colour, std::span<const int> bits) {
    Label label(bits.size());
    const int n = static_cast<int>(bits.size());
    for (int k = 0; k < n; ++k) {
        LabelRecord& r = label[static_cast<std::size_t>(k)];
        r.bitIndex = bits[static_cast<std::size_t>(k)];
        r.groupType = static_cast<std::int32_t>(type);
        setName(r, name);
        r.colour = colour;
        r.positionCode = n == 1 ? positionSingle : k == n - 1 ? positionBusLast : positionBusHead + k;
    }
    return label;
}

// Gives a label's records (already in order) the position codes of a label of their number.
void renumber(Label& label) {
    const int n = static_cast<int>(label.size());
    for (int k = 0; k < n; ++k)
        label[static_cast<std::size_t>(k)].positionCode = n == 1 ? positionSingle
            : k == n - 1                                         ? positionBusLast
                                                                 : positionBusHead + k;
}

Sample channelMask(std::span<const int> channels) {
    Sample mask = 0;
    for (int c : channels)
        if (validBitIndex(firstChannelBit + c)) mask |= Sample{1} << (firstChannelBit + c);
    return mask;
}

// Clears bits in every usable sample. The waveform is stored for undo only when a bit is set
// somewhere, so that labelling unused channels does not push real edits out of the ring.
void clearBitsEverywhere(Document& doc, Sample mask) {
    std::span<Sample> image = doc.usableImage();
    Sample seen = 0;
    for (Sample s : image) seen |= s;
    if ((seen & mask) == 0) return;
    doc.saveWaveformUndo(0, doc.usableSamples());
    for (Sample& s : image) s &= ~mask;
}

bool bitLabelled(const LabelTable& table, int bit) {
    const int end = labelRecordCount(table);
    for (int i = 0; i < end; ++i)
        if (table[static_cast<std::size_t>(i)].bitIndex == bit) return true;
    return false;
}

std::vector<LabelSpan> spansOf(const LabelTable& table, bool (*keep)(const LabelTable&, LabelSpan)) {
    std::vector<LabelSpan> spans;
    forEachLabel(table, [&](LabelSpan span) {
        if (keep(table, span)) spans.push_back(span);
    });
    return spans;
}

bool spanSelected(const LabelTable& table, LabelSpan span) {
    return (table[static_cast<std::size_t>(span.first)].stateFlags & stateLabelSelected) != 0;
}

} // namespace

// ---- names and selection --------------------------------------------------------------------------

Msg checkLabelName(const LabelTable& table, std::string_view name, std::span<const LabelSpan> replaced) {
    if (name.empty() || name.size() > static_cast<std::size_t>(maxLabelNameLength) ||
        name.find_first_of(forbiddenNameCharacters) != std::string_view::npos)
        return Msg::LabelNameInvalid;
    Msg result = Msg::None;
    forEachLabel(table, [&](LabelSpan span) {
        const bool excepted =
            std::any_of(replaced.begin(), replaced.end(), [&](LabelSpan r) { return r.first == span.first; });
        if (!excepted && nameOf(table[static_cast<std::size_t>(span.first)]) == name) result = Msg::LabelNameInUse;
    });
    return result;
}

std::string defaultChannelName(int channel) {
    char text[16];
    std::snprintf(text, sizeof text, "CH-%02d", channel);
    return text;
}

std::vector<LabelSpan> selectedLabels(const LabelTable& table) { return spansOf(table, spanSelected); }

std::vector<int> labelChannels(const LabelTable& table, LabelSpan label) {
    std::vector<int> channels;
    for (int i = label.first; i < label.first + label.count; ++i) {
        const std::int32_t bit = table[static_cast<std::size_t>(i)].bitIndex;
        if (bit >= firstChannelBit && bit <= highestBitIndex) channels.push_back(bit - firstChannelBit);
    }
    return channels;
}

// ---- Add Label --------------------------------------------------------------------------------------

Msg addLabel(Document& doc, const AddLabelSetting& setting, int& newRow) {
    LabelTable& table = doc.labels();
    if (Msg m = checkLabelName(table, setting.name); m != Msg::None) return m;
    std::vector<Label> labels = readLabels(table);
    if (setting.channel < 0 || setting.channel >= doc.capabilities().channelCount ||
        recordTotal(labels) + 1 > maxLabels)
        return Msg::TooManyLabelChannels;
    doc.saveLabelUndo();
    const int bit[] = {firstChannelBit + setting.channel};
    labels.push_back(makeLabel(setting.name, GroupType::Hex, setting.colour & 15, bit));
    writeLabels(table, labels);
    newRow = static_cast<int>(labels.size()) - 1;
    const int channel[] = {setting.channel};
    clearBitsEverywhere(doc, channelMask(channel));
    return Msg::None;
}

std::vector<int> podChannels(int pod, int channelsPerGroup) {
    std::vector<int> channels;
    for (int k = 0; k < channelsPerGroup; ++k) channels.push_back(pod * channelsPerGroup + k);
    return channels;
}

Msg addPods(Document& doc, unsigned podMask) {
    LabelTable& table = doc.labels();
    std::vector<int> channels;
    for (int pod = 0; pod < podCount; ++pod)
        if (podMask & (1u << pod))
            for (int c : podChannels(pod, doc.capabilities().channelsPerGroup)) channels.push_back(c);
    for (int c : channels)
        if (c >= doc.capabilities().channelCount) return Msg::TooManyLabelChannels;
    for (int c : channels)
        if (checkLabelName(table, defaultChannelName(c)) == Msg::LabelNameInUse) return Msg::LabelNameInUse;
    std::vector<Label> labels = readLabels(table);
    if (recordTotal(labels) + static_cast<int>(channels.size()) > maxLabels) return Msg::TooManyLabelChannels;
    if (channels.empty()) return Msg::None;
    doc.saveLabelUndo();
    for (int c : channels) {
        const int bit[] = {firstChannelBit + c};
        labels.push_back(makeLabel(defaultChannelName(c), GroupType::Hex, colourDataLabel, bit));
    }
    writeLabels(table, labels);
    clearBitsEverywhere(doc, channelMask(channels));
    return Msg::None;
}

// ---- Add Bus Label / Combine / Arrange ---------------------------------------------------------------

std::vector<int> busDialogChannels(const LabelTable& table, BusDialogMode mode, int channelCount) {
    std::vector<int> channels;
    if (mode == BusDialogMode::AddBus) {
        for (int c = 0; c < channelCount; ++c)
            if (!bitLabelled(table, firstChannelBit + c)) channels.push_back(c);
        return channels;
    }
    for (LabelSpan span : selectedLabels(table)) {
        if (mode == BusDialogMode::Arrange &&
            table[static_cast<std::size_t>(span.first)].positionCode != positionBusHead)
            continue;
        for (int c : labelChannels(table, span)) channels.push_back(c);
        if (mode == BusDialogMode::Arrange) break;
    }
    std::sort(channels.begin(), channels.end());
    channels.erase(std::unique(channels.begin(), channels.end()), channels.end());
    return channels;
}

std::string arrangePresetName(const LabelTable& table) {
    for (LabelSpan span : selectedLabels(table))
        if (table[static_cast<std::size_t>(span.first)].positionCode == positionBusHead)
            return std::string(nameOf(table[static_cast<std::size_t>(span.first)]));
    return {};
}

void BitOrder::press(int channel) {
    auto it = std::find(channels.begin(), channels.end(), channel);
    if (it != channels.end())
        channels.erase(it);
    else
        channels.push_back(channel);
}

void BitOrder::allOn(std::span<const int> enabled) {
    std::vector<int> ascending(enabled.begin(), enabled.end());
    std::sort(ascending.begin(), ascending.end());
    for (int c : ascending)
        if (std::find(channels.begin(), channels.end(), c) == channels.end()) channels.push_back(c);
}

Msg applyBusLabel(Document& doc, BusDialogMode mode, const BusLabelSetting& setting, std::span<const int> enabled) {
    const std::vector<int>& order = setting.order.channels;
    if (order.empty()) return Msg::None;
    LabelTable& table = doc.labels();
    const std::vector<LabelSpan> selection = selectedLabels(table);
    const bool replaces = mode != BusDialogMode::AddBus;
    if (replaces) {
        for (int c : enabled)
            if (std::find(order.begin(), order.end(), c) == order.end()) return Msg::SomeChannelMissing;
        for (LabelSpan span : selection)
            if (isCommandLabel(table[static_cast<std::size_t>(span.first)]))
                return mode == BusDialogMode::Combine ? Msg::CantCombineQvFunction : Msg::QvFunctionCanNotModify;
    }
    const std::span<const LabelSpan> replaced =
        replaces ? std::span<const LabelSpan>(selection) : std::span<const LabelSpan>();
    if (Msg m = checkLabelName(table, setting.name, replaced); m != Msg::None) return m;

    std::vector<Label> labels = readLabels(table);
    int removedRecords = 0;
    for (LabelSpan span : replaced) removedRecords += span.count;
    if (recordTotal(labels) - removedRecords + static_cast<int>(order.size()) > maxLabels)
        return Msg::TooManyLabelChannels;

    std::vector<int> bits; // most significant (the last chosen) first
    for (auto it = order.rbegin(); it != order.rend(); ++it) bits.push_back(firstChannelBit + *it);
    Label busLabel = makeLabel(setting.name, setting.type, setting.colour & 15, bits);

    doc.saveLabelUndo();
    std::vector<Label> result;
    bool placed = false;
    for (Label& l : labels) {
        if (selected(l) && !placed) {
            result.push_back(busLabel);
            placed = true;
        }
        if (!(replaces && selected(l))) result.push_back(std::move(l));
    }
    if (!placed) result.push_back(busLabel);
    writeLabels(table, result);
    // Combine and Arrange rename channels that already carry the user's waveform: it stays.
    if (mode == BusDialogMode::AddBus) clearBitsEverywhere(doc, channelMask(order));
    return Msg::None;
}

// ---- Delete, Delete All, Add All, Decompose --------------------------------------------------------

void deleteSelectedLabels(Document& doc) {
    std::vector<Label> labels = readLabels(doc.labels());
    doc.saveLabelUndo();
    std::erase_if(labels, [](const Label& l) { return selected(l) && !command(l); });
    writeLabels(doc.labels(), labels);
}

void deleteAllLabels(Document& doc) {
    std::vector<Label> labels = readLabels(doc.labels());
    doc.saveLabelUndo();
    std::erase_if(labels, [](const Label& l) { return !command(l); });
    writeLabels(doc.labels(), labels);
}

Answer addAllLabels(Document& doc, Prompt& prompt) {
    LabelTable& table = doc.labels();
    std::vector<Label> labels = readLabels(table);
    // Without a data label there is nothing to ask about and nothing is cleared.
    const bool asked = std::any_of(labels.begin(), labels.end(), [](const Label& l) { return !command(l); });
    const Answer answer =
        asked ? prompt.ask(static_cast<int>(Msg::DeleteAllLabelsQuestion), Buttons::YesNoCancel) : Answer::Yes;
    if (answer == Answer::Cancel) return answer;
    doc.saveLabelUndo();
    if (asked && answer == Answer::Yes) {
        resetToDefaultLabels(table);
        labels = readLabels(table);
        doc.saveWaveformUndo(0, doc.usableSamples());
        std::fill(doc.usableImage().begin(), doc.usableImage().end(), Sample{0});
    }
    std::vector<int> added;
    for (int c = 0; c < doc.capabilities().channelCount && recordTotal(labels) < maxLabels; ++c) {
        const std::string name = defaultChannelName(c);
        if (bitLabelled(table, firstChannelBit + c) || checkLabelName(table, name) == Msg::LabelNameInUse) continue;
        const int bit[] = {firstChannelBit + c};
        labels.push_back(makeLabel(name, GroupType::Hex, colourDataLabel, bit));
        added.push_back(c);
    }
    writeLabels(table, labels);
    clearBitsEverywhere(doc, channelMask(added));
    return answer;
}

Msg decomposeSelectedLabels(Document& doc) {
    LabelTable& table = doc.labels();
    std::vector<LabelSpan> buses;
    for (LabelSpan span : selectedLabels(table))
        if (span.count > 1 && !isCommandLabel(table[static_cast<std::size_t>(span.first)])) buses.push_back(span);
    if (buses.empty()) return Msg::None;
    std::vector<Label> labels = readLabels(table);
    std::vector<Label> result;
    std::vector<std::string> made; // two long bus names may share their first 28 characters
    for (Label& l : labels) {
        if (!selected(l) || command(l) || l.size() < 2) {
            result.push_back(std::move(l));
            continue;
        }
        const std::string_view busName = nameOf(l.front()).substr(0, decomposeNameLength);
        const int width = static_cast<int>(l.size());
        for (int k = 0; k < width; ++k) {
            char suffix[16];
            std::snprintf(suffix, sizeof suffix, "-%02d", width - 1 - k);
            const std::string name = std::string(busName) + suffix;
            if (Msg m = checkLabelName(table, name, buses); m != Msg::None) return m;
            if (std::find(made.begin(), made.end(), name) != made.end()) return Msg::LabelNameInUse;
            made.push_back(name);
            Label single{l[static_cast<std::size_t>(k)]};
            setName(single.front(), name);
            renumber(single);
            result.push_back(std::move(single));
        }
    }
    doc.saveLabelUndo();
    writeLabels(table, result);
    return Msg::None;
}

// ---- renaming and Label Setting --------------------------------------------------------------------

Msg checkLabelsModifiable(const LabelTable& table) {
    for (LabelSpan span : selectedLabels(table))
        if (isCommandLabel(table[static_cast<std::size_t>(span.first)])) return Msg::QvFunctionCanNotModify;
    return Msg::None;
}

Msg renameSelectedLabel(Document& doc, std::string_view name) {
    LabelTable& table = doc.labels();
    if (Msg m = checkLabelsModifiable(table); m != Msg::None) return m;
    const std::vector<LabelSpan> selection = selectedLabels(table);
    if (selection.empty()) return Msg::None;
    const LabelSpan label = selection.front();
    if (Msg m = checkLabelName(table, name, {&label, 1}); m != Msg::None) return m;
    for (int i = label.first; i < label.first + label.count; ++i) setName(table[static_cast<std::size_t>(i)], name);
    normaliseLabels(table);
    return Msg::None;
}

Msg openLabelSetting(const LabelTable& table, LabelSettingValues& values) {
    if (Msg m = checkLabelsModifiable(table); m != Msg::None) return m;
    values = LabelSettingValues{};
    const std::vector<LabelSpan> selection = selectedLabels(table);
    if (selection.empty()) return Msg::None;
    const LabelRecord& first = table[static_cast<std::size_t>(selection.front().first)];
    values.name = std::string(nameOf(first));
    values.nameEnabled = selection.size() == 1;
    values.type = static_cast<GroupType>(first.groupType);
    values.colour = first.colour;
    for (LabelSpan span : selection) {
        const LabelRecord& head = table[static_cast<std::size_t>(span.first)];
        values.typeMixed |= head.groupType != first.groupType;
        values.colourMixed |= head.colour != first.colour;
        for (int i = span.first; i < span.first + span.count; ++i)
            if (table[static_cast<std::size_t>(i)].bitIndex < firstChannelBit) values.typeEnabled = false;
    }
    if (!values.typeEnabled) values.type = GroupType::Hex;
    return Msg::None;
}

Msg applyLabelSetting(Document& doc, const LabelSettingValues& opened, const LabelSettingValues& chosen,
                      bool typePicked, bool colourPicked) {
    LabelTable& table = doc.labels();
    if (Msg m = checkLabelsModifiable(table); m != Msg::None) return m;
    const std::vector<LabelSpan> selection = selectedLabels(table);
    if (selection.empty()) return Msg::None;
    const bool single = selection.size() == 1;
    if (single)
        if (Msg m = checkLabelName(table, chosen.name, {selection.data(), 1}); m != Msg::None) return m;
    const bool writeType = opened.typeEnabled && (typePicked || !opened.typeMixed);
    const bool writeColour = colourPicked || !opened.colourMixed;
    for (LabelSpan span : selection) {
        for (int i = span.first; i < span.first + span.count; ++i) {
            LabelRecord& r = table[static_cast<std::size_t>(i)];
            if (single) setName(r, chosen.name);
            if (writeType) r.groupType = static_cast<std::int32_t>(chosen.type);
            if (writeColour) r.colour = chosen.colour & 15;
            r.stateFlags &= ~stateLabelSelected;
        }
    }
    normaliseLabels(table);
    return Msg::None;
}

// ---- dragging ------------------------------------------------------------------------------------------

void dropLabelsBetween(Document& doc, int draggedRow, int beforeRow) {
    std::vector<Label> labels = readLabels(doc.labels());
    const int rows = static_cast<int>(labels.size());
    if (draggedRow < 0 || draggedRow >= rows) return;
    const bool group = selected(labels[static_cast<std::size_t>(draggedRow)]);
    std::vector<bool> moving(labels.size());
    for (int r = 0; r < rows; ++r)
        moving[static_cast<std::size_t>(r)] = group ? selected(labels[static_cast<std::size_t>(r)]) : r == draggedRow;
    // The moved labels go before the first label at or after the drop place that stays.
    int anchor = std::clamp(beforeRow, 0, rows);
    while (anchor < rows && moving[static_cast<std::size_t>(anchor)]) ++anchor;
    std::vector<Label> moved, result;
    for (int r = 0; r < rows; ++r)
        if (moving[static_cast<std::size_t>(r)]) moved.push_back(labels[static_cast<std::size_t>(r)]);
    for (int r = 0; r <= rows; ++r) {
        if (r == anchor) result.insert(result.end(), moved.begin(), moved.end());
        if (r < rows && !moving[static_cast<std::size_t>(r)]) result.push_back(labels[static_cast<std::size_t>(r)]);
    }
    doc.saveLabelUndo();
    writeLabels(doc.labels(), result);
}

Msg dropLabelOnto(Document& doc, int draggedRow, int targetRow, bool& renameFollows) {
    renameFollows = false;
    std::vector<Label> labels = readLabels(doc.labels());
    const int rows = static_cast<int>(labels.size());
    if (draggedRow < 0 || draggedRow >= rows || targetRow < 0 || targetRow >= rows || draggedRow == targetRow)
        return Msg::None;
    const bool group = selected(labels[static_cast<std::size_t>(draggedRow)]);
    std::vector<bool> joining(labels.size());
    for (int r = 0; r < rows; ++r)
        joining[static_cast<std::size_t>(r)] =
            r == targetRow || (group ? selected(labels[static_cast<std::size_t>(r)]) : r == draggedRow);
    for (int r = 0; r < rows; ++r)
        if (joining[static_cast<std::size_t>(r)] && command(labels[static_cast<std::size_t>(r)]))
            return Msg::CantCombineQvFunction;

    Label combined = labels[static_cast<std::size_t>(targetRow)];
    for (int r = 0; r < rows && combined.size() < 64; ++r)
        if (joining[static_cast<std::size_t>(r)] && r != targetRow)
            for (const LabelRecord& rec : labels[static_cast<std::size_t>(r)])
                if (combined.size() < 64) combined.push_back(rec);
    renumber(combined);
    for (LabelRecord& r : combined) {
        r.stateFlags = combined.front().stateFlags & ~stateLabelSelected;
        if (group) r.stateFlags |= stateLabelSelected;
    }
    std::vector<Label> result;
    for (int r = 0; r < rows; ++r) {
        Label& l = labels[static_cast<std::size_t>(r)];
        if (r == targetRow)
            result.push_back(combined);
        else if (!joining[static_cast<std::size_t>(r)]) {
            if (group) l.front().stateFlags &= ~stateLabelSelected; // the new bus alone is renamed
            result.push_back(std::move(l));
        }
    }
    doc.saveLabelUndo();
    writeLabels(doc.labels(), result);
    renameFollows = group;
    return Msg::None;
}

// ---- context menu ------------------------------------------------------------------------------------------

LabelSelectionCase labelSelectionCase(const LabelTable& table) {
    const std::vector<LabelSpan> selection = selectedLabels(table);
    if (selection.empty()) return LabelSelectionCase::Nothing;
    int commands = 0, buses = 0;
    for (LabelSpan span : selection) {
        const LabelRecord& head = table[static_cast<std::size_t>(span.first)];
        if (isCommandLabel(head))
            ++commands;
        else if (head.positionCode == positionBusHead)
            ++buses;
    }
    const int count = static_cast<int>(selection.size());
    if (commands == count) return LabelSelectionCase::CommandOnly;
    if (commands > 0) return LabelSelectionCase::Mixed;
    if (count == 1) return buses ? LabelSelectionCase::OneBus : LabelSelectionCase::OneSingle;
    return buses ? LabelSelectionCase::SeveralWithBuses : LabelSelectionCase::SeveralSingles;
}

std::vector<LabelMenuEntry> labelContextMenu(LabelSelectionCase selection, bool canUndoLabels) {
    using C = LabelSelectionCase;
    constexpr LabelMenuEntry separator{0, true};
    std::vector<LabelMenuEntry> menu{{labelCommandUndo, canUndoLabels}, separator};
    auto add = [&](std::initializer_list<LabelMenuEntry> entries) { menu.insert(menu.end(), entries); };
    const bool several = selection == C::SeveralSingles || selection == C::SeveralWithBuses || selection == C::Mixed;
    if (several) {
        add({{labelCommandAdd, true},
             {labelCommandDelete, selection != C::Mixed},
             {labelCommandAddAll, true},
             {labelCommandDeleteAll, false},
             separator});
        if (selection != C::Mixed) add({{labelCommandCombine, true}});
        if (selection == C::SeveralWithBuses) add({{labelCommandDecompose, true}});
        if (selection != C::Mixed) add({separator});
        add({{labelCommandProperties, true}});
        return menu;
    }
    const bool deletable = selection == C::OneSingle || selection == C::OneBus;
    add({{labelCommandAdd, true},
         {labelCommandAddBus, true},
         {labelCommandDelete, deletable},
         {labelCommandAddAll, true},
         {labelCommandDeleteAll, true}});
    if (selection == C::OneSingle) add({separator, {labelCommandRename, true}, {labelCommandProperty, true}});
    if (selection == C::OneBus)
        add({separator,
             {labelCommandDecompose, true},
             {labelCommandArrange, true},
             separator,
             {labelCommandRename, true},
             {labelCommandProperty, true}});
    if (selection == C::CommandOnly) add({separator, {labelCommandProperties, true}});
    return menu;
}

} // namespace qv
