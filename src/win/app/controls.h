// Thin helpers over the controls of a dialog, addressed by (dialog, control id): text, integer and
// real-number fields, check boxes, combo boxes, groups enabled or shown together, spin buttons with
// the wrap and clamp rules, owner-drawn toolbar buttons with their tool tips, and centring. Values
// are parsed and formatted by core (support/field_values); nothing here keeps state.
#pragma once

#include <windows.h>

#include "support/field_values.h"
#include "support/strings.h"

#include <initializer_list>
#include <optional>
#include <span>
#include <string>

namespace qv::win {

// ---- text fields --------------------------------------------------------------------------------
std::wstring fieldText(HWND dialog, int control);
void setFieldText(HWND dialog, int control, const std::wstring& text);
void setFieldText(HWND dialog, int control, const std::string& utf8);
void setFieldText(HWND dialog, int control, Msg text); // the catalogue text in the current language

// ---- number fields ------------------------------------------------------------------------------
std::optional<long long> fieldInteger(HWND dialog, int control, int radix = 10);
void setFieldInteger(HWND dialog, int control, long long value, int radix = 10);
std::optional<double> fieldNumber(HWND dialog, int control);

// ---- check boxes --------------------------------------------------------------------------------
bool isChecked(HWND dialog, int control);
void setChecked(HWND dialog, int control, bool checked);

// ---- combo boxes --------------------------------------------------------------------------------
// Replaces the items by the catalogue texts, in order; item i carries data i.
void fillCombo(HWND dialog, int control, std::span<const Msg> texts);
// Appends one item with its data; returns its index (negative on failure).
int addComboItem(HWND dialog, int control, const std::wstring& text, LPARAM data);
void selectComboIndex(HWND dialog, int control, int index);
// Selects the item whose text equals text exactly; false (selection unchanged) when there is none.
bool selectComboText(HWND dialog, int control, const std::wstring& text);
int comboSelection(HWND dialog, int control); // -1 without a selection
LPARAM comboItemData(HWND dialog, int control, int index);

// ---- groups of controls -------------------------------------------------------------------------
void enableControls(HWND dialog, std::initializer_list<int> controls, bool enabled);
void showControls(HWND dialog, std::initializer_list<int> controls, bool shown);

// ---- spin buttons -------------------------------------------------------------------------------
// One step of the spin beside an integer field: reads the field (an unreadable text counts as
// minimum), steps it by delta within minimum..maximum, writes it back in the radix and beeps
// where a clamped step stops at an end. Returns the new value. Call it from UDN_DELTAPOS (delta:
// the up-down's iDelta, sign as the field should move) or from WM_VSCROLL.
long long stepSpinField(HWND dialog, int field, long long delta, long long minimum, long long maximum, SpinEnds ends,
                        int radix = 10);

// ---- owner-drawn toolbar buttons ----------------------------------------------------------------
// A tool-tip window for the dialog whose tip for each button is the string whose id is the button
// id, in the current language. Returns the tool-tip window (destroyed with the dialog).
HWND createToolTips(HWND dialog, std::initializer_list<int> buttons);
// Scales a button to its size x 96 / the screen's horizontal dots per inch, as toolbar buttons are.
void scaleToolbarButton(HWND dialog, int button);
// WM_DRAWITEM of a toolbar button: the face (pushed while pressed), the icon centred, greyed when
// the button is disabled, the focus rectangle when it has the focus.
void drawToolbarButton(const DRAWITEMSTRUCT& item, HICON icon);

// ---- placement ----------------------------------------------------------------------------------
// Moves window to the centre of over's rectangle, kept on the screen (position only).
void centreWindow(HWND window, HWND over);

} // namespace qv::win
