// Channel list text: "a..b" (every channel from a to b, either direction), "a,b,c" (these, in this
// order) or "a" (one channel). The first channel is the most significant bit of a signal's value.
// Numbers read like atoi (leading blanks, optional sign, digits up to the first other character).
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace qv {

// The text of a list must fit 160 bytes with its terminator.
inline constexpr int channelListTextBytes = 160;

// atoi with saturation instead of overflow.
int readLeadingInt(std::string_view text);

// Parses text into channels; returns the number of channels, or -1 when the text holds none or
// more than channels.size() of them.
int parseChannelList(std::string_view text, std::span<int> channels);

// first..last when there are two or more channels and every step is the same +1 or -1; else the
// numbers joined with ","; one channel alone as its number.
std::string channelListText(std::span<const int> channels);

} // namespace qv
