// Time and bus value texts. Times are integers of picoseconds until the last step, so a whole
// number of units is recognised exactly.
#include "waveedit/texts.h"

#include "support/text_fill.h"
#include "waveedit/commands.h"
#include "waveedit/document.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <limits>

namespace qv {
namespace {

struct TimeUnit {
    std::int64_t picoseconds; // one unit
    std::int64_t below; // used for times below this many picoseconds (0: no limit)
    const char* name;
};
constexpr TimeUnit timeUnits[] = {
    {1'000, 1'000'000, "ns"}, // fewer than 7 digits
    {1'000'000, 1'000'000'000, "us"}, // fewer than 10 digits
    {1'000'000'000, 1'000'000'000'000, "ms"}, // fewer than 13 digits
    {1'000'000'000'000, 0, "S"},
};

int decimalDigits(std::uint64_t value) {
    int digits = 1;
    while (value >= 10) value /= 10, ++digits;
    return digits;
}

} // namespace

std::string timeText(std::int64_t samples, int baseFrequency) {
    if (baseFrequency <= 0) return {};
    const bool negative = samples < 0;
    // samples x 10^9 stays below 2^63 for up to 9 x 10^9 samples, far beyond any memory.
    const std::int64_t n = std::min<std::int64_t>(negative ? -samples : samples, 9'000'000'000LL);
    const bool kilohertz = baseFrequency % 1000 == 0;
    const std::int64_t nanoseconds = n * 1'000'000'000 / baseFrequency;
    char out[64];
    const char* sign = negative && n != 0 ? "-" : "";
    if (!kilohertz && nanoseconds > std::numeric_limits<std::int64_t>::max() / 1000) {
        // Millions of seconds: beyond any sample memory, but still a text rather than an overflow.
        std::snprintf(out, sizeof out, "%s%" PRId64 " S", sign, nanoseconds / 1'000'000'000);
        return out;
    }
    const std::int64_t picoseconds = kilohertz ? n * 1'000'000'000 / (baseFrequency / 1000) : nanoseconds * 1000;
    const TimeUnit* unit = &timeUnits[0];
    while (unit->below != 0 && picoseconds >= unit->below) ++unit;

    if (picoseconds % unit->picoseconds == 0) {
        std::snprintf(out, sizeof out, "%s%" PRId64 " %s", sign, picoseconds / unit->picoseconds, unit->name);
    } else {
        const double value = static_cast<double>(picoseconds) / static_cast<double>(unit->picoseconds);
        const int digits = decimalDigits(static_cast<std::uint64_t>(picoseconds / unit->picoseconds)) + 3;
        std::snprintf(out, sizeof out, "%s%.*g %s", sign, digits, value, unit->name);
    }
    return out;
}

std::string busValueText(std::uint64_t value, int width, GroupType type) {
    width = std::clamp(width, 1, 64);
    if (width < 64) value &= (std::uint64_t{1} << width) - 1;
    char out[72];
    switch (type) {
    case GroupType::Dec: std::snprintf(out, sizeof out, "%" PRIu64, value); break;
    case GroupType::Oct: std::snprintf(out, sizeof out, "%0*" PRIo64, (width + 2) / 3, value); break;
    case GroupType::Bin:
        for (int i = 0; i < width; ++i) out[i] = (value >> (width - 1 - i)) & 1 ? '1' : '0';
        out[width] = '\0';
        break;
    case GroupType::Asc: {
        const unsigned char c = static_cast<unsigned char>(value & 0xFF);
        std::snprintf(out, sizeof out, "'%c'", c < 32 ? '.' : static_cast<char>(c));
        break;
    }
    default: std::snprintf(out, sizeof out, "%0*" PRIX64, (width + 3) / 4, value); break;
    }
    return out;
}

// ---- texts between two crossings ----------------------------------------------------------------

namespace {
// A command mnemonic cut for a narrow run keeps its name's two letters.
constexpr std::size_t cutMnemonicLength = 2;
} // namespace

bool textFits(std::string_view text, int pixels, const TextWidth& measure) {
    return !text.empty() && measure(text) + 2 * runTextMargin <= pixels;
}

std::string runValueText(std::uint64_t value, int width, GroupType type, int pixels, const TextWidth& measure) {
    std::string text = busValueText(value, width, type);
    return textFits(text, pixels, measure) ? text : std::string{};
}

std::string runMnemonicText(std::string_view mnemonic, int pixels, const TextWidth& measure) {
    if (textFits(mnemonic, pixels, measure)) return std::string{mnemonic};
    const std::string_view cut = mnemonic.substr(0, cutMnemonicLength);
    return cut.size() < mnemonic.size() && textFits(cut, pixels, measure) ? std::string{cut} : std::string{};
}

// ---- marking -------------------------------------------------------------------------------------

MarkStatusTexts markStatusTexts(int markStart, int markEnd, int baseFrequency, Language language) {
    auto labelled = [&](Msg label, std::int64_t samples) {
        return std::string{text(label, language)} + " " + timeText(samples, baseFrequency);
    };
    const std::int64_t end = std::int64_t{markEnd} + 1;
    return {labelled(Msg::MarkStart, markStart), labelled(Msg::MarkEnd, end),
            labelled(Msg::MarkDuration, end - markStart)};
}

std::string markTipText(int markStart, int markEnd, int baseFrequency, Language language) {
    const std::int64_t end = std::int64_t{markEnd} + 1;
    const std::int64_t length = end - markStart;
    const int digits =
        decimalDigits(static_cast<std::uint64_t>(std::max({std::int64_t{markStart}, end, length, std::int64_t{0}})));
    // The catalogue text is a format that makes the format: digits first, then numbers and times.
    const std::string outer{text(Msg::MarkTip, language)};
    char format[128];
    std::snprintf(format, sizeof format, outer.c_str(), digits, digits, digits);
    const std::string startTime = timeText(markStart, baseFrequency), endTime = timeText(end, baseFrequency),
                      lengthTime = timeText(length, baseFrequency);
    char out[256];
    std::snprintf(out, sizeof out, format, static_cast<int>(markStart), startTime.c_str(), static_cast<int>(end),
                  endTime.c_str(), static_cast<int>(length), lengthTime.c_str());
    return out;
}

std::string_view editModeText(bool insertMode, Language language) {
    return text(insertMode ? Msg::EditModeInsert : Msg::EditModeOverwrite, language);
}

// ---- measuring and waiting -------------------------------------------------------------------------

std::string cursorDeltaText(int a, int b, int baseFrequency, Language language) {
    if (a < 0 || b < 0) return std::string(text(Msg::CursorDeltaUnset, language));
    const std::int64_t samples = a > b ? std::int64_t{a} - b : std::int64_t{b} - a;
    return fillMarkers(text(Msg::CursorDelta, language), {timeText(samples, baseFrequency), std::to_string(samples)});
}

bool selectsExternalEvent(std::span<const Sample> image) {
    for (Sample sample : image) {
        const unsigned word = commandField(sample);
        if (opcodeOf(word) == Opcode::Se && eventChoiceOf(operandByte(word)) != EventChoice::Keyboard) return true;
    }
    return false;
}

std::string_view hotKeyName(int eventHotKey, Language language) {
    return text(eventHotKey == hotKeyReturn ? Msg::HotKeyReturn : Msg::HotKeySpace, language);
}

std::string waitingText(int eventHotKey, bool externalEvent, Language language) {
    return fillMarkers(text(externalEvent ? Msg::WaitingForEvent : Msg::WaitingForKey, language),
                       {hotKeyName(eventHotKey, language)});
}

} // namespace qv
