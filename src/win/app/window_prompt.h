// The Prompt port in the application: a message box in the calling thread's language, owned by a
// window, through the one message-box function (so test scripts answer it like any other box).
// Questions show the question icon unless the prompt was made with another (a few questions carry
// the error icon) or names its own for that question; messages the icon the prompt was made with
// (errors by default).
#pragma once

#include <windows.h>

#include "device/prompt.h"
#include "support/strings.h"

#include <span>

namespace qv::win {

// A question whose box carries an icon of its own.
struct QuestionIcon {
    Msg question;
    UINT icon;
};

class WindowPrompt final : public Prompt {
  public:
    explicit WindowPrompt(HWND owner, UINT messageIcon = MB_ICONERROR, UINT questionIcon = MB_ICONQUESTION,
                          std::span<const QuestionIcon> ownIcons = {})
        : owner_(owner), messageIcon_(messageIcon), questionIcon_(questionIcon), ownIcons_(ownIcons) {}
    Answer ask(int stringId, Buttons buttons) override;
    // The question with its markers filled (12124's two time scales).
    Answer askWith(int stringId, Buttons buttons, std::string_view argument, std::string_view second = {}) override;
    void show(int stringId, const std::string& argument = {}) override;

  private:
    UINT questionIconOf(int stringId) const;

    HWND owner_;
    UINT messageIcon_;
    UINT questionIcon_;
    std::span<const QuestionIcon> ownIcons_;
};

} // namespace qv::win
