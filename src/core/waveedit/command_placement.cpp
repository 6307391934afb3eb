// Command Setting's writes into the sample image.
#include "waveedit/command_placement.h"

#include <algorithm>

namespace qv {

Msg placeCommand(Document& doc, const CommandSetting& setting, bool& changed) {
    changed = false;
    if (const Msg refused = validateCommandSetting(setting, doc.usableSamples()); refused != Msg::None) return refused;
    const int position = doc.positions().commandPosition();
    const CommandWords words = encodeCommand(setting);
    if (position < 0 || position + words.count > doc.usableSamples()) return Msg::CommandDoesNotFit;
    const unsigned writable = labelledCommandBits(doc.labels());
    if (writable == 0) return Msg::None;
    doc.saveWaveformUndo(position, words.count);
    changed = writeCommand(doc.usableImage(), position, words, writable);
    return Msg::None;
}

bool clearMarkedCommands(Document& doc) {
    const Sample writable = labelledCommandBits(doc.labels()) & commandMask;
    const int first = std::max(doc.positions().markStart, 0);
    const int last = std::min(doc.positions().markEnd, doc.usableSamples() - 1);
    if (writable == 0 || first > last) return false;
    doc.saveWaveformUndo(first, last - first + 1);
    for (Sample& sample :
         doc.usableImage().subspan(static_cast<std::size_t>(first), static_cast<std::size_t>(last - first + 1)))
        sample &= ~writable;
    return true;
}

} // namespace qv
