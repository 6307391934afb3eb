// Texts of the wave view: the duration of a number of samples at the base frequency (cursor and
// mark times, dialog fields), the value of a bus row in its radix and what of it fits between two
// crossings, and the status bar and pointer tip while marking. The command label's row shows
// command mnemonics instead (viewMnemonic in waveedit/commands.h). Widths come from the window's
// font through a measuring function; nothing here draws.
#pragma once

#include "support/strings.h"
#include "waveedit/label.h"
#include "waveedit/sample.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace qv {

// The duration of `samples` samples at `baseFrequency` Hz: "100 ns", "333.333 ns", "1.5 us",
// "2 ms", "12 S". Computed in whole picoseconds when the frequency is a multiple of 1000 Hz, else
// in whole nanoseconds. Empty for a frequency of 0 or less.
std::string timeText(std::int64_t samples, int baseFrequency);

// The value of a bus of `width` bits (1-64) in the radix of its group type: HEX with leading zeros
// to ceil(width / 4) digits, DEC, OCT to ceil(width / 3) digits, BIN to width digits, ASC the low
// byte in single quotes ('.' below 32). The command label's group type gives HEX.
std::string busValueText(std::uint64_t value, int width, GroupType type);

// ---- texts between two crossings ----------------------------------------------------------------

// The width of a text in pixels in the view's font.
using TextWidth = std::function<int(std::string_view)>;
// Pixels a text keeps clear of the crossings at either end of its run (each reaches 2 pixels in).
inline constexpr int runTextMargin = 3;
// A text fits a run of `pixels` when it and a margin at both ends do.
bool textFits(std::string_view text, int pixels, const TextWidth& measure);
// A bus value between two crossings: its value text when it fits, else nothing.
std::string runValueText(std::uint64_t value, int width, GroupType type, int pixels, const TextWidth& measure);
// A command mnemonic between two crossings: whole when it fits, else its first two letters ("LC"
// for "LC 300") when they fit, else nothing.
std::string runMnemonicText(std::string_view mnemonic, int pixels, const TextWidth& measure);

// ---- marking -------------------------------------------------------------------------------------

// The status bar while marking: "Start:" with the time of mark start, "End:" with the time of mark
// end + 1 and "Mark Duration:" with the time of the marked length, each label and time one text.
struct MarkStatusTexts {
    std::string start, end, duration;
};
MarkStatusTexts markStatusTexts(int markStart, int markEnd, int baseFrequency, Language language);
// The pointer tip while marking: the catalogue's two-step format filled with mark start, mark end
// + 1 and the length, zero-padded to the digits of the largest, each followed by its time.
std::string markTipText(int markStart, int markEnd, int baseFrequency, Language language);
// The edit mode in the status bar: "INS" or "OVR".
std::string_view editModeText(bool insertMode, Language language);

// ---- measuring and waiting -------------------------------------------------------------------------

// The time between cursors A and B (either order) and the samples between them:
// "A to B: 1.5 us (15 samples)"; "A to B: -" while either is unset (a negative position).
std::string cursorDeltaText(int a, int b, int baseFrequency, Language language);
// Whether a command of the image selects an external event (an SE other than the key event): a WE
// may then wait for that event as well as for the key.
bool selectsExternalEvent(std::span<const Sample> image);
// Output waiting at a WE: what releases it, the hot key by name ("Space", "Return").
std::string waitingText(int eventHotKey, bool externalEvent, Language language);
std::string_view hotKeyName(int eventHotKey, Language language);

} // namespace qv
