// The Prompt port: questions and messages raised by output threads and builders. In the
// application it is a message box in the thread's language; in tests, a script of answers.
#pragma once

#include <string>
#include <string_view>

namespace qv {

enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
enum class Answer { Ok, Cancel, Yes, No };

class Prompt {
  public:
    virtual ~Prompt() = default;
    virtual Answer ask(int stringId, Buttons buttons) = 0;
    // A question whose text has one or two %s ("...time scale range in VCD file(%s)..."): a
    // prompt that can show the texts overrides it; by default the plain question is asked.
    virtual Answer askWith(int stringId, Buttons buttons, std::string_view argument, std::string_view second = {}) {
        (void)argument;
        (void)second;
        return ask(stringId, buttons);
    }
    // An error or information message; argument is the text that fills the string's %s, if any.
    virtual void show(int stringId, const std::string& argument = {}) = 0;
};

} // namespace qv
