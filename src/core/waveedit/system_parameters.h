// The rules of System Parameter Setting: the frequency modes a card offers and their names, the
// frequency field in a unit (MHz, KHz, Hz) with its spin and derived period, the cursor change
// in tenths of a second with its spin, and OK, which accepts the values or keeps the dialog open
// (12023 answered No, 12072). The dialog only moves texts between its controls and these.
#pragma once

#include "app/models.h"
#include "device/prompt.h"
#include "support/strings.h"

#include <span>
#include <string>
#include <string_view>

namespace qv {

// ---- frequency modes ------------------------------------------------------------------------

// The modes of the Mode list in order: 1, 2, 3, 9, 10, 11 on card type 18, else 1-7 and 9-15.
std::span<const int> frequencyModeChoices(int cardType);
// The list text of a mode (Msg::None for a mode no list offers).
Msg frequencyModeText(int mode);
// A stored mode the card does not offer opens as 1 (internal clock).
int frequencyModeWhenOpened(int storedMode, int cardType);

// ---- frequency and period -----------------------------------------------------------------------

enum class FrequencyUnit { MHz = 0, KHz = 1, Hz = 2 };
inline constexpr int frequencyUnitCount = 3;
FrequencyUnit nextFrequencyUnit(FrequencyUnit unit); // MHz -> KHz -> Hz -> MHz
Msg frequencyUnitText(FrequencyUnit unit);

// The field's text: the frequency in the unit, as few decimals as show it exactly ("10", "0.0125").
std::string frequencyFieldText(int hertz, FrequencyUnit unit);
// The field read as a real number times the unit, truncated to whole hertz; 0 for no number.
int frequencyFromField(std::string_view text, FrequencyUnit unit);
// One spin step: one unit up or down, kept within 1 Hz .. maxHz.
std::string steppedFrequencyField(std::string_view text, FrequencyUnit unit, int delta, int maxHz);

struct PeriodText {
    std::string number; // "100", "1.5"
    Msg unit = Msg::None; // ns, us, ms or s; Msg::None (and no number) for no frequency
};
PeriodText periodOf(int hertz);

// ---- cursor change --------------------------------------------------------------------------------

inline constexpr int cursorChangeMinTenths = 5;
inline constexpr int cursorChangeMaxTenths = 100;
std::string cursorChangeText(int tenths); // "1.0"
// Tenths, or -1 when the text is no number or outside 0.5 .. 10.
int cursorChangeFromText(std::string_view text);
// One spin step of 0.1 s, held at 0.5 and 10; an unreadable text counts as 0.5.
std::string steppedCursorChange(std::string_view text, int delta);

// ---- OK ---------------------------------------------------------------------------------------------

struct SystemParameters {
    int baseFrequency = 0; // Hz
    int frequencyMode = 1;
    int eventHotKey = 32; // 32 Space, 13 Return
    int cursorChangeTenths = 10;
};

struct SystemParameterForm {
    std::string frequency;
    FrequencyUnit unit = FrequencyUnit::MHz;
    int frequencyMode = 1;
    int eventHotKey = 32;
    std::string cursorChange;
};

struct SystemParameterAnswer {
    bool close = false; // false: the dialog stays open
    bool frequencyRefused = false; // the frequency was no number (FrequencyNotNumber shown)
    int achievableFrequency = 0; // after 12023 Yes: the field shows it from now on (0: unchanged)
};

// OK: a frequency that is no number is refused with FrequencyNotNumber naming what was typed; an
// unachievable frequency asks 12023 (No keeps the dialog open, Yes takes the nearest
// achievable one); a cursor change outside 0.5-10 shows 12072 and keeps it open. Only when all
// is well are the values stored, all at once. A mode without the internal clock leaves the
// frequency as it was (its field is disabled).
SystemParameterAnswer acceptSystemParameters(const SystemParameterForm& form, const Capabilities& capabilities,
                                             int cardType, Prompt& prompt, SystemParameters& values);

} // namespace qv
