// What the label dialogs (Add Label, Label Setting, the bus dialog) share: the sixteen colour
// buttons with the chosen-colour swatch, the group-type combo box, and command tables built from
// ranges of buttons. Each dialog keeps its own chosen colour; nothing here keeps state.
#pragma once

#include <windows.h>

#include "app/dispatch.h"
#include "waveedit/label.h"

#include <array>
#include <cstddef>

namespace qv::win {

inline constexpr int labelColourCount = 16;

// WM_DRAWITEM of a colour button (its palette colour, pushed in when it is the chosen one) or of
// the chosen-colour swatch (the chosen colour; an empty face while the colour is mixed: -1).
// False for other controls.
bool drawLabelColourItem(const DRAWITEMSTRUCT& item, int chosenColour);
// The palette index of a colour button, or -1.
int colourOfButton(int control);
// After the chosen colour changed: the buttons and the swatch repainted.
void showChosenColour(HWND dialog);

// "HEX", "DEC", "OCT", "BIN", "ASC" with group types 0-4 as item data; `type` selected.
void fillGroupTypeCombo(HWND dialog, int control, GroupType type);
GroupType chosenGroupType(HWND dialog, int control);

// count command entries for the ids first .. first + count - 1, all to one handler.
template <std::size_t count> constexpr std::array<CommandEntry, count> commandRange(int first, CommandHandler handler) {
    std::array<CommandEntry, count> entries{};
    for (std::size_t i = 0; i < count; ++i)
        entries[i] = {static_cast<WORD>(first + static_cast<int>(i)), handler, anyCode};
    return entries;
}
template <std::size_t a, std::size_t b>
constexpr std::array<CommandEntry, a + b> joinCommands(const std::array<CommandEntry, a>& first,
                                                        const std::array<CommandEntry, b>& second) {
    std::array<CommandEntry, a + b> entries{};
    for (std::size_t i = 0; i < a; ++i) entries[i] = first[i];
    for (std::size_t i = 0; i < b; ++i) entries[a + i] = second[i];
    return entries;
}

} // namespace qv::win
