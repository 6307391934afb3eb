// The owner-drawn icon buttons of the list tools (HDQ, 1-Wire): each button's icon and its tool
// tip from the string catalogue, drawn as the toolbars' buttons are. The icons live as long as
// the dialog's IconButtons object.
#pragma once

#include <windows.h>

#include "support/strings.h"

#include <span>
#include <vector>

namespace qv::win {

struct IconButton {
    int id;
    int icon; // IDI_ resource
    Msg tip;
};

class IconButtons {
  public:
    IconButtons() = default;
    IconButtons(const IconButtons&) = delete;
    IconButtons& operator=(const IconButtons&) = delete;
    ~IconButtons();
    // Loads the icons, scales the buttons and adds their tool tips.
    void attach(HWND dialog, std::span<const IconButton> buttons);
    // WM_DRAWITEM: true when the item was one of the buttons.
    bool draw(const DRAWITEMSTRUCT& item) const;

  private:
    std::vector<IconButton> buttons_;
    std::vector<HICON> icons_;
};

} // namespace qv::win
