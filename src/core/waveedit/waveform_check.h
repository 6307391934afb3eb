// Waveform Check: finds the command placements the sequencer cannot execute (incomplete commands,
// commands too close after SE, WE or OE, jumps out of range or too close to other commands). A pure
// scan; asking whether to go on after each problem is the caller's business.
#pragma once

#include "support/strings.h"
#include "waveedit/document.h"
#include "waveedit/sample.h"

#include <cstddef>
#include <limits>
#include <span>
#include <string>
#include <vector>

namespace qv {

struct CheckProblem {
    Msg message; // the message that reports it
    int sample; // the sample index in the message; the command position moves there
    int target = -1; // the jump target sample for the jump messages, -1 otherwise
};

// The problems of the command stream of samples 0 to usableSamples - 13, in scan order, at most
// `limit` of them. Samples outside `image` count as holding no command.
std::vector<CheckProblem> checkWaveform(std::span<const Sample> image, int usableSamples,
                                        std::size_t limit = std::numeric_limits<std::size_t>::max());

// The message text of a problem with its sample number filled in.
std::string checkProblemText(const CheckProblem& problem, Language language = Language::English);

// After a check that reported problems: the command position (T cursor) moves to the sample of the
// last one reported and no row stays selected for editing (state flag bit 11 cleared everywhere).
void moveToCheckProblem(Document& doc, const CheckProblem& lastReported);

} // namespace qv
