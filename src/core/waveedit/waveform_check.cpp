// The scan resolves each sample's command the way the view shows it, following operand words to
// the opcode word that completes them, then checks the quiet samples the sequencer needs around
// SE, WE, OE and every command that names an address.
#include "waveedit/waveform_check.h"

#include "waveedit/view_selection.h"

#include "waveedit/commands.h"

#include <algorithm>
#include <cstdio>

namespace qv {
namespace {

// Samples that must hold no command after a command, from the sample after its opcode word.
constexpr int quietAfterSe = 1;
constexpr int quietAfterWe = 3;
constexpr int quietAfterOe = 4;
// Around a jump: e + 3 .. e + 5 after its opcode word, and t - 3 .. t + 2 around its target.
constexpr int jumpQuietFrom = 3, jumpQuietTo = 5;
constexpr int targetQuietBefore = 3, targetQuietAfter = 2;
constexpr int maxContinuationWords = 3;

class CommandStream {
  public:
    explicit CommandStream(std::span<const Sample> image) : image_(image) {}
    unsigned word(long i) const {
        return i >= 0 && static_cast<std::size_t>(i) < image_.size() ? commandField(image_[static_cast<std::size_t>(i)])
                                                                     : 0u;
    }
    Opcode opcode(long i) const { return opcodeOf(word(i)); }
    bool quiet(long from, long to) const {
        for (long i = from; i <= to; ++i)
            if (opcode(i) != Opcode::Np) return false;
        return true;
    }
    ViewCommand decode(long i) const { return decodeView(word(i), word(i - 1), word(i - 2)); }

    // Whether the word after i carries on the command that word i belongs to.
    bool continues(long i) const {
        const Opcode here = opcode(i), next = opcode(i + 1);
        if (here == Opcode::OperandLow) return next == Opcode::OperandHigh;
        if (here != Opcode::OperandHigh) return false;
        if (next == Opcode::Lc) return true;
        return opcode(i - 1) == Opcode::OperandLow && opcodeInfo(word(i + 1)).samples == 3;
    }

  private:
    std::span<const Sample> image_;
};

} // namespace

std::vector<CheckProblem> checkWaveform(std::span<const Sample> image, int usableSamples, std::size_t limit) {
    std::vector<CheckProblem> problems;
    const CommandStream stream(image);
    const int lastSample = largestCommandAddress(usableSamples);
    const int targetLimit = usableSamples - 12;
    auto report = [&](Msg message, long sample, long target = -1) {
        if (problems.size() < limit) problems.push_back({message, static_cast<int>(sample), static_cast<int>(target)});
    };

    for (long e = 0; e <= lastSample && problems.size() < limit; ++e) {
        const Opcode opcode = stream.opcode(e);
        if (opcode == Opcode::Np) continue;
        long at = e;
        ViewCommand command = stream.decode(at);
        for (int step = 0; step < maxContinuationWords && stream.continues(at); ++step) command = stream.decode(++at);
        if (!command.valid) {
            report(Msg::CommandError, e);
            continue;
        }
        const OpcodeInfo& info = opcodeInfo(stream.word(e));
        if (opcode == Opcode::Se) {
            if (!stream.quiet(e + 1, e + quietAfterSe)) report(Msg::CommandsAfterSe, e);
        } else if (opcode == Opcode::We) {
            if (!stream.quiet(e + 1, e + quietAfterWe)) report(Msg::CommandsAfterWe, e);
        } else if (opcode == Opcode::Oe) {
            if (!stream.quiet(e + 1, e + quietAfterOe)) report(Msg::CommandsAfterOe, e - 2);
        } else if (info.samples == 3 && info.operandBits >= 23) { // JP, LP, BE, IT, DL
            // DL's value is shown as stored; as a target it is read like an address.
            const long target = info.namesAddress ? command.value : command.value - addressOffset;
            const bool inRange = target >= 0 && target < targetLimit;
            if (!inRange) report(Msg::JumpPointOutOfRange, e - 2, target);
            if (!stream.quiet(e + jumpQuietFrom, e + jumpQuietTo)) report(Msg::JumpCommandTooNear, e - 2, target);
            if (inRange && !stream.quiet(target - targetQuietBefore, target + targetQuietAfter))
                report(Msg::JumpPointTooNear, e - 2, target);
        }
    }
    return problems;
}

std::string checkProblemText(const CheckProblem& problem, Language language) {
    const std::string pattern(text(problem.message, language));
    char out[512];
    std::snprintf(out, sizeof out, pattern.c_str(), problem.sample);
    return out;
}

void moveToCheckProblem(Document& doc, const CheckProblem& lastReported) {
    doc.positions().cursors[CursorT] = std::max(lastReported.sample, 0);
    clearRowSelections(doc.labels());
}

} // namespace qv
