#include "waveedit/label_dialog_parts.h"

#include "app/controls.h"
#include "resource.h"
#include "waveedit/labels.h"

namespace qv::win {
namespace {

constexpr Msg groupTypeTexts[] = {Msg::GroupTypeHex, Msg::GroupTypeDec, Msg::GroupTypeOct, Msg::GroupTypeBin,
                                  Msg::GroupTypeAsc};

COLORREF colourRef(int index) {
    const std::uint32_t rgb = paletteColour(index);
    return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

void fill(HDC dc, RECT rect, COLORREF colour) {
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &rect, brush);
    DeleteObject(brush);
}

} // namespace

int colourOfButton(int control) {
    const int index = control - IDC_LABEL_COLOUR_FIRST;
    return index >= 0 && index < labelColourCount ? index : -1;
}

bool drawLabelColourItem(const DRAWITEMSTRUCT& item, int chosenColour) {
    RECT rect = item.rcItem;
    if (item.CtlID == IDC_LABEL_COLOUR_CHOSEN) {
        DrawEdge(item.hDC, &rect, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
        if (chosenColour >= 0)
            fill(item.hDC, rect, colourRef(chosenColour));
        else
            FillRect(item.hDC, &rect, GetSysColorBrush(COLOR_BTNFACE));
        return true;
    }
    const int colour = colourOfButton(static_cast<int>(item.CtlID));
    if (colour < 0) return false;
    const bool chosen = colour == chosenColour || (item.itemState & ODS_SELECTED) != 0;
    DrawEdge(item.hDC, &rect, chosen ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_ADJUST);
    fill(item.hDC, rect, colourRef(colour));
    if (item.itemState & ODS_FOCUS) DrawFocusRect(item.hDC, &rect);
    return true;
}

void showChosenColour(HWND dialog) {
    for (int i = 0; i < labelColourCount; ++i) InvalidateRect(GetDlgItem(dialog, IDC_LABEL_COLOUR_FIRST + i), nullptr, TRUE);
    InvalidateRect(GetDlgItem(dialog, IDC_LABEL_COLOUR_CHOSEN), nullptr, TRUE);
}

void fillGroupTypeCombo(HWND dialog, int control, GroupType type) {
    fillCombo(dialog, control, groupTypeTexts);
    const int index = static_cast<int>(type);
    selectComboIndex(dialog, control, index >= 0 && index < static_cast<int>(std::size(groupTypeTexts)) ? index : 0);
}

GroupType chosenGroupType(HWND dialog, int control) {
    const int index = comboSelection(dialog, control);
    return index < 0 ? GroupType::Hex : static_cast<GroupType>(comboItemData(dialog, control, index));
}

} // namespace qv::win
