// The Prompt port for tests: answers from a script, and a record of every question and message.
#pragma once

#include "device/prompt.h"

#include <deque>
#include <string>
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
    void show(int stringId, const std::string& argument) override { shown.emplace_back(stringId, argument); }

    std::vector<int> asked;
    std::vector<std::pair<int, std::string>> shown;

  private:
    std::deque<Answer> answers_;
};

} // namespace qv::test
