// The Prompt port: questions and messages raised by output threads and builders. In the
// application it is a message box in the thread's language; in tests, a script of answers.
#pragma once

#include <string>

namespace qv {

enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
enum class Answer { Ok, Cancel, Yes, No };

class Prompt {
  public:
    virtual ~Prompt() = default;
    virtual Answer ask(int stringId, Buttons buttons) = 0;
    // An error or information message; argument is the text that fills the string's %s, if any.
    virtual void show(int stringId, const std::string& argument = {}) = 0;
};

} // namespace qv
