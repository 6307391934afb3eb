// Reading and writing channel list text.
#include "support/channel_list.h"

#include <cstdlib>

namespace qv {

int readLeadingInt(std::string_view text) {
    std::size_t i = 0;
    while (
        i < text.size() &&
        (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' || text[i] == '\r' || text[i] == '\v' || text[i] == '\f'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > 2147483647LL) value = 2147483648LL;
    }
    if (negative) value = -value;
    if (value > 2147483647LL) value = 2147483647LL;
    return static_cast<int>(value);
}

namespace {
bool holdsDigit(std::string_view text) { return text.find_first_of("0123456789") != std::string_view::npos; }
} // namespace

int parseChannelList(std::string_view text, std::span<int> channels) {
    const int capacity = static_cast<int>(channels.size());
    if (!holdsDigit(text) || capacity == 0) return -1;
    if (std::size_t dots = text.find(".."); dots != std::string_view::npos) {
        long long a = readLeadingInt(text.substr(0, dots));
        long long b = readLeadingInt(text.substr(dots + 2));
        long long count = (a > b ? a - b : b - a) + 1;
        if (count > capacity) return -1;
        int step = a > b ? -1 : 1;
        for (int i = 0; i < count; ++i) channels[i] = static_cast<int>(a + step * i);
        return static_cast<int>(count);
    }
    int count = 0;
    std::size_t start = 0;
    while (true) {
        std::size_t comma = text.find(',', start);
        if (count == capacity) return -1;
        channels[count++] = readLeadingInt(
            text.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    return count;
}

std::string channelListText(std::span<const int> channels) {
    if (channels.empty()) return {};
    if (channels.size() == 1) return std::to_string(channels[0]);
    const long long step = static_cast<long long>(channels[1]) - channels[0];
    bool run = step == 1 || step == -1;
    for (std::size_t i = 2; run && i < channels.size(); ++i)
        run = static_cast<long long>(channels[i]) - channels[i - 1] == step;
    if (run) return std::to_string(channels.front()) + ".." + std::to_string(channels.back());
    std::string text;
    for (std::size_t i = 0; i < channels.size(); ++i) {
        if (i) text += ',';
        text += std::to_string(channels[i]);
    }
    return text;
}

} // namespace qv
