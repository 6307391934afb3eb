// Editing operations as span walks over the sample image with one mask per operation.
#include "waveedit/edit_ops.h"

#include "support/file_io.h"
#include "support/text_fill.h"
#include "waveedit/bit_permutation.h"
#include "waveedit/labels.h"
#include "waveedit/texts.h"

#include <algorithm>
#include <cstdio>

namespace qv {
namespace {

// Writes `value` into the mask bits of samples [first, first + count).
void fillMasked(Sample* image, int first, int count, Sample mask, Sample value) {
    Sample* s = image + first;
    const Sample bits = value & mask;
    for (int i = 0; i < count; ++i) s[i] = (s[i] & ~mask) | bits;
}

int radixBase(Radix radix) {
    switch (radix) {
    case Radix::Dec: return 10;
    case Radix::Bin: return 2;
    case Radix::Oct: return 8;
    default: return 16;
    }
}

GroupType radixGroupType(Radix radix) {
    switch (radix) {
    case Radix::Dec: return GroupType::Dec;
    case Radix::Bin: return GroupType::Bin;
    case Radix::Oct: return GroupType::Oct;
    default: return GroupType::Hex;
    }
}

constexpr const char* radixNames[] = {"HEX", "DEC", "BIN", "OCT"}; // Radix order

EditCheck refusal(Msg msg, EditField field, int rangeLow = 0, int rangeHigh = 0) {
    EditCheck check;
    check.msg = msg;
    check.field = field;
    check.rangeLow = rangeLow;
    check.rangeHigh = rangeHigh;
    return check;
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

// Source bit rowBits[k] of the sample goes to value bit (width - 1 - k) and back: the row's first
// bit is the most significant.
BitPermutation valueToSample(const ViewRow& row) {
    BitPermutation p;
    for (int k = 0; k < row.width; ++k) p.add(row.width - 1 - k, row.bits[static_cast<std::size_t>(k)]);
    return p;
}

} // namespace

std::string editCheckText(const EditCheck& check, Language language) {
    const std::string message(text(check.msg, language));
    const std::string field(
        text(check.field == EditField::Increment ? Msg::FieldIncrement : Msg::FieldStartValue, language));
    if (check.msg == Msg::BusValueNotNumber)
        return fillMarkers(message, {field, check.typed, check.radix, check.low, check.high});
    if (check.msg == Msg::BusValueOutOfRange) return fillMarkers(message, {field, check.typed, check.low, check.high});
    if (check.msg != Msg::PeriodOutOfRange) return message;
    const std::string low = std::to_string(check.rangeLow), high = std::to_string(check.rangeHigh);
    return fillMarkers(text(Msg::RangeFormat, language), {message, low, high});
}

// ---- Low, High, Invert ----------------------------------------------------------------------------

bool applyLevel(Document& doc, const EditTarget& target, LevelOperation operation) {
    if (target.empty()) return false;
    doc.saveWaveformUndo(target.markStart, target.sampleCount());
    Sample* s = doc.image() + target.markStart;
    const Sample mask = target.mask;
    const int count = target.sampleCount();
    switch (operation) {
    case LevelOperation::Low:
        for (int i = 0; i < count; ++i) s[i] &= ~mask;
        break;
    case LevelOperation::High:
        for (int i = 0; i < count; ++i) s[i] |= mask;
        break;
    case LevelOperation::Invert:
        for (int i = 0; i < count; ++i) s[i] ^= mask;
        break;
    }
    return true;
}

// ---- Clock ----------------------------------------------------------------------------------------

EditCheck checkClock(const ClockSetting& setting, const EditTarget& target) {
    const int highest = target.markEnd - target.markStart;
    if (highest < 1) return refusal(Msg::ClockMarkTooShort, EditField::Multiplier);
    if (setting.multiplier < 1 || setting.multiplier > highest)
        return refusal(Msg::PeriodOutOfRange, EditField::Multiplier, 1, highest);
    if (setting.startValue != 0 && setting.startValue != 1)
        return refusal(Msg::StartValueZeroOrOne, EditField::StartValue);
    return {};
}

bool drawClock(Document& doc, const EditTarget& target, const ClockSetting& setting) {
    if (target.empty() || !checkClock(setting, target).ok()) return false;
    doc.saveWaveformUndo(target.markStart, target.sampleCount());
    Sample level = setting.startValue ? ~Sample{0} : 0;
    const int end = target.markEnd + 1;
    for (int i = target.markStart; i < end; i += setting.multiplier) {
        fillMasked(doc.image(), i, std::min(setting.multiplier, end - i), target.mask, level);
        level = ~level;
    }
    return true;
}

// ---- Input Bus Data -------------------------------------------------------------------------------

const ViewRow* busDataRow(const EditTarget& target, std::span<const ViewRow> rows) {
    if (target.rows.empty()) return nullptr;
    return &rows[static_cast<std::size_t>(target.rows.front())];
}

std::uint64_t busMaximum(int width) {
    return width >= 64 ? ~std::uint64_t{0} : width <= 0 ? 0 : (std::uint64_t{1} << width) - 1;
}

bool parseRadixValue(std::string_view text, Radix radix, std::uint64_t& value) {
    text = trimmed(text);
    if (text.empty()) return false;
    const unsigned base = static_cast<unsigned>(radixBase(radix));
    std::uint64_t v = 0;
    for (char c : text) {
        unsigned digit;
        if (c >= '0' && c <= '9')
            digit = static_cast<unsigned>(c - '0');
        else if (c >= 'A' && c <= 'F')
            digit = static_cast<unsigned>(c - 'A' + 10);
        else if (c >= 'a' && c <= 'f')
            digit = static_cast<unsigned>(c - 'a' + 10);
        else
            return false;
        if (digit >= base || v > (~std::uint64_t{0} - digit) / base) return false;
        v = v * base + digit;
    }
    value = v;
    return true;
}

std::string radixText(std::uint64_t value, Radix radix, int width) {
    return busValueText(value & busMaximum(width), std::clamp(width, 1, 64), radixGroupType(radix));
}

std::string convertIncrementText(std::string_view text, Radix from, Radix to, int width) {
    text = trimmed(text);
    const bool negative = !text.empty() && text.front() == '-';
    if (negative) text.remove_prefix(1);
    std::uint64_t value = 0;
    if (!parseRadixValue(text, from, value)) return "0";
    value &= busMaximum(width);
    std::string out = radixText(value, to, width);
    if (negative && value != 0) out.insert(out.begin(), '-');
    return out;
}

EditCheck checkBusData(const BusDataSetting& setting, const EditTarget& target, const ViewRow& bus,
                       BusDataValues& values) {
    const int samples = target.sampleCount();
    if (setting.multiplier < 1 || setting.multiplier > samples)
        return refusal(Msg::PeriodOutOfRange, EditField::Multiplier, 1, samples);
    values = BusDataValues{};
    values.multiplier = setting.multiplier;
    if (setting.source == BusDataSource::Counter) {
        // A refusal names the field, what was typed and the bus's range in the radix.
        const std::uint64_t maximum = busMaximum(bus.width);
        auto refuse = [&](Msg msg, EditField field, std::string_view typed) {
            EditCheck check = refusal(msg, field);
            check.typed = std::string(trimmed(typed));
            check.radix = radixNames[static_cast<int>(setting.radix)];
            check.low = radixText(0, setting.radix, 1);
            check.high = radixText(maximum, setting.radix, bus.width);
            return check;
        };
        if (!parseRadixValue(setting.startValue, setting.radix, values.start))
            return refuse(Msg::BusValueNotNumber, EditField::StartValue, setting.startValue);
        if (values.start > maximum) return refuse(Msg::BusValueOutOfRange, EditField::StartValue, setting.startValue);
        std::string_view increment = trimmed(setting.increment);
        values.decrement = !increment.empty() && increment.front() == '-';
        if (values.decrement) increment.remove_prefix(1);
        if (!parseRadixValue(increment, setting.radix, values.increment))
            return refuse(Msg::BusValueNotNumber, EditField::Increment, setting.increment);
        if (values.increment > maximum) return refuse(Msg::BusValueOutOfRange, EditField::Increment, setting.increment);
        return {};
    }
    InputFile file;
    if (!file.open(setting.path)) return refusal(Msg::CantOpenFile, EditField::Path);
    if (file.size() <= 0) return refusal(Msg::FileSizeZero, EditField::Path);
    // Only as many bytes as the marked area takes values; after the last one the first comes again.
    const std::int64_t needed = (samples + setting.multiplier - 1) / setting.multiplier;
    values.fileBytes.resize(static_cast<std::size_t>(std::min(file.size(), needed)));
    if (!file.read(0, values.fileBytes.data(), values.fileBytes.size()))
        return refusal(Msg::CantOpenFile, EditField::Path);
    return {};
}

bool writeBusData(Document& doc, const EditTarget& target, const ViewRow& bus, const BusDataValues& values) {
    if (target.empty() || values.multiplier < 1 || bus.width == 0) return false;
    doc.saveWaveformUndo(target.markStart, target.sampleCount());
    const BitPermutation spread = valueToSample(bus);
    const bool fromFile = !values.fileBytes.empty();
    std::uint64_t value = fromFile ? values.fileBytes[0] : values.start;
    std::size_t nextByte = 1;
    const int end = target.markEnd + 1;
    for (int i = target.markStart; i < end; i += values.multiplier) {
        fillMasked(doc.image(), i, std::min(values.multiplier, end - i), bus.mask, spread.apply(value));
        if (fromFile) {
            if (nextByte == values.fileBytes.size()) nextByte = 0;
            value = values.fileBytes[nextByte++];
        } else {
            value = values.decrement ? value - values.increment : value + values.increment;
        }
    }
    return true;
}

// ---- Copy, Cut, Paste -------------------------------------------------------------------------------

bool copySelection(const Document& doc, const EditTarget& target, std::span<const ViewRow> rows,
                   EditClipboard& clipboard) {
    if (target.empty()) return false;
    std::vector<std::uint8_t> bits;
    for (int r : target.rows)
        for (std::uint8_t bit : rows[static_cast<std::size_t>(r)].bitIndexes())
            if (bits.size() < 64) bits.push_back(bit);
    BitPermutation pack;
    for (std::size_t j = 0; j < bits.size(); ++j) pack.add(bits[j], static_cast<int>(j));
    std::vector<std::uint64_t> words(static_cast<std::size_t>(target.sampleCount()));
    const Sample* s = doc.image() + target.markStart;
    for (std::size_t i = 0; i < words.size(); ++i) words[i] = pack.apply(s[i]);
    clipboard.bits = std::move(bits);
    clipboard.words = std::move(words);
    clipboard.copied = true;
    return true;
}

bool cutSelection(Document& doc, const EditTarget& target, std::span<const ViewRow> rows, EditClipboard& clipboard,
                  EditSelection& selection) {
    if (!copySelection(doc, target, rows, clipboard)) return false;
    const int end = doc.usableSamples();
    doc.saveWaveformUndo(target.markStart, end - target.markStart);
    Sample mask = 0;
    for (std::uint8_t bit : clipboard.bits) mask |= Sample{1} << bit;
    const int gap = target.sampleCount();
    Sample* s = doc.image();
    const int moved = std::max(target.markStart, end - gap);
    for (int i = target.markStart; i < moved; ++i) s[i] = (s[i] & ~mask) | (s[i + gap] & mask);
    for (int i = moved; i < end; ++i) s[i] &= ~mask;
    selection.rowRange = false;
    return true;
}

bool pasteClipboard(Document& doc, const EditClipboard& clipboard, std::span<const ViewRow> rows, int tSample, int tRow,
                    EditMode mode) {
    const int end = doc.usableSamples();
    if (!clipboard.copied || clipboard.words.empty() || tSample < 0 || tSample >= end || tRow < 0 ||
        static_cast<std::size_t>(tRow) >= rows.size())
        return false;
    // The target bits: the copied number of records in table order from the T row's first record.
    const LabelTable& table = doc.labels();
    const int records = labelRecordCount(table);
    BitPermutation unpack;
    int j = 0;
    for (int i = rows[static_cast<std::size_t>(tRow)].firstRecord;
         i < records && j < static_cast<int>(clipboard.bits.size()); ++i) {
        const std::int32_t bit = table[static_cast<std::size_t>(i)].bitIndex;
        if (validBitIndex(bit)) unpack.add(j++, bit);
    }
    const Sample mask = unpack.targets();
    const int length = static_cast<int>(clipboard.words.size());
    const int written = std::min(length, end - tSample);
    Sample* s = doc.image();
    if (mode == EditMode::Insert) {
        doc.saveWaveformUndo(tSample, end - tSample);
        for (int i = end - 1; i >= tSample + length; --i) s[i] = (s[i] & ~mask) | (s[i - length] & mask);
    } else {
        doc.saveWaveformUndo(tSample, written);
    }
    for (int k = 0; k < written; ++k)
        s[tSample + k] = (s[tSample + k] & ~mask) | unpack.apply(clipboard.words[static_cast<std::size_t>(k)]);
    return true;
}

} // namespace qv
