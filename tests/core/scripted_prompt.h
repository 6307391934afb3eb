// The Prompt port for tests: answers from a script, and a record of every question and message.
#pragma once

#include "device/prompt.h"

#include <deque>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qv::test {

class ScriptedPrompt : public Prompt {
  public:
    explicit ScriptedPrompt(std::deque<Answer> answers = {}) : answers_(std::move(answers)) {}
    Answer ask(int stringId, Buttons) override {
        asked.push_back(stringId);
        if (answers_.empty()) return Answer::No;
        Answer a = answers_.front();
        answers_.pop_front();
        return a;
    }
    Answer askWith(int stringId, Buttons buttons, std::string_view argument, std::string_view second) override {
        askedWith.emplace_back(std::string(argument), std::string(second));
        return ask(stringId, buttons);
    }
    void show(int stringId, const std::string& argument) override { shown.emplace_back(stringId, argument); }

    std::vector<int> asked;
    std::vector<std::pair<int, std::string>> shown;
    std::vector<std::pair<std::string, std::string>> askedWith; // the texts of askWith questions

  private:
    std::deque<Answer> answers_;
};

} // namespace qv::test
