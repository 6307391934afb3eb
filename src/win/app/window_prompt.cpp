// Prompt answers from message boxes.
#include "app/window_prompt.h"

#include "app/message_box.h"
#include "app/strings_win.h"
#include "support/text_fill.h"

namespace qv::win {
namespace {

UINT boxButtons(Buttons buttons) {
    switch (buttons) {
    case Buttons::OkCancel: return MB_OKCANCEL;
    case Buttons::YesNo: return MB_YESNO;
    case Buttons::YesNoCancel: return MB_YESNOCANCEL;
    case Buttons::Ok:
    default: return MB_OK;
    }
}

Answer answerOf(int pressed) {
    switch (pressed) {
    case IDYES: return Answer::Yes;
    case IDNO: return Answer::No;
    case IDOK: return Answer::Ok;
    default: return Answer::Cancel; // IDCANCEL, and a box that could not be shown
    }
}

} // namespace

UINT WindowPrompt::questionIconOf(int stringId) const {
    for (const QuestionIcon& own : ownIcons_)
        if (static_cast<int>(own.question) == stringId) return own.icon;
    return questionIcon_;
}

Answer WindowPrompt::ask(int stringId, Buttons buttons) {
    return answerOf(messageBox(owner_, static_cast<Msg>(stringId), boxButtons(buttons) | questionIconOf(stringId)));
}

Answer WindowPrompt::askWith(int stringId, Buttons buttons, std::string_view argument, std::string_view second) {
    const Msg text = static_cast<Msg>(stringId);
    const std::wstring filled =
        fillMarkers(loadString(text), {fromUtf8(std::string(argument)), fromUtf8(std::string(second))});
    return answerOf(messageBox(owner_, text, filled, boxButtons(buttons) | questionIconOf(stringId)));
}

void WindowPrompt::show(int stringId, const std::string& argument) {
    messageBox(owner_, static_cast<Msg>(stringId), MB_OK | messageIcon_, Msg::Caption, fromUtf8(argument));
}

} // namespace qv::win
