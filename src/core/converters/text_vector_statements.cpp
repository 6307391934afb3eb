// Text vector statements: comment removal, statement splitting, values and the signal list.
#include "converters/text_vector_statements.h"

#include "support/channel_list.h"
#include "waveedit/frequency_mode.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <limits>
#include <string>

namespace qv::textvector {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

std::string_view trim(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

std::string upper(std::string_view s) {
    std::string u(s);
    for (char& c : u) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return u;
}

bool contains(const std::string& haystack, const char* needle) { return haystack.find(needle) != std::string::npos; }

// The next blank-separated word of text from position; empty at the end.
std::string_view nextWord(std::string_view text, std::size_t& position) {
    while (position < text.size() && isBlank(text[position])) ++position;
    std::size_t start = position;
    while (position < text.size() && !isBlank(text[position])) ++position;
    return text.substr(start, position - start);
}

} // namespace

void removeComments(std::string& text, bool keepLineFeeds) {
    bool inLine = false, inPercent = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char& c = text[i];
        if (!inLine && c == '%') {
            c = ' ';
            inPercent = !inPercent;
        } else if (!inPercent && !inLine && c == '/' && i + 1 < text.size() && text[i + 1] == '/') {
            c = ' ';
            text[++i] = ' ';
            inLine = true;
        } else if (inLine && c == '\n') {
            inLine = false;
            if (!keepLineFeeds) c = ' ';
        } else if (inLine || inPercent) {
            c = ' ';
        } else if (c == '\t' || c == '\r' || (c == '\n' && !keepLineFeeds)) {
            c = ' ';
        }
    }
}

bool StatementReader::next(Statement& statement) {
    std::size_t end = text_.find(';', position_);
    if (end == std::string_view::npos) return false;
    std::string_view whole = text_.substr(position_, end - position_);
    position_ = end + 1;
    std::size_t at = 0;
    statement.keyword = upper(nextWord(whole, at));
    if (at < whole.size()) ++at; // the blank or line feed after the keyword
    statement.body = whole.substr(at);
    return true;
}

int radixOf(std::string_view body) {
    std::string u = upper(body);
    if (contains(u, "OCT")) return 8;
    if (contains(u, "BIN")) return 2;
    if (contains(u, "HEX")) return 16;
    if (contains(u, "DEC")) return 10;
    return 0;
}

std::uint64_t readValue(std::string_view text, int radix) {
    text = trim(text);
    if (radix == 0) {
        char last = text.empty() ? 0 : text.back();
        radix = last == 'h' ? 16 : last == 'b' ? 2 : last == 'o' ? 8 : 10;
    }
    bool negative = !text.empty() && text.front() == '-';
    if (negative) text.remove_prefix(1);
    std::uint64_t value = 0;
    for (char c : text) {
        int u = std::toupper(static_cast<unsigned char>(c));
        int digit = u >= '0' && u <= '9' ? u - '0' : u >= 'A' && u <= 'F' ? u - 'A' + 10 : 99;
        if (digit >= radix) break;
        value = value * static_cast<unsigned>(radix) + static_cast<unsigned>(digit);
    }
    return negative ? ~value + 1 : value;
}

std::int64_t scaledDecimal(std::string_view text, std::int64_t factor) {
    text = trim(text);
    bool negative = !text.empty() && text.front() == '-';
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) text.remove_prefix(1);
    constexpr std::int64_t saturated = std::numeric_limits<std::int64_t>::max();
    if (factor <= 0 || factor > maxDecimalFactor) return 0;
    // The whole part is checked before it is multiplied: the product and the fraction's share
    // (below factor) must stay inside the 64-bit range.
    const std::int64_t wholeLimit = (saturated - factor) / factor;
    std::int64_t whole = 0, fraction = 0, scale = 1;
    bool tooLarge = false;
    std::size_t i = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        const int digit = text[i] - '0';
        if (whole > (wholeLimit - digit) / 10) tooLarge = true, whole = 0;
        whole = whole * 10 + digit;
    }
    if (tooLarge) return negative ? -saturated : saturated;
    if (i < text.size() && text[i] == '.') {
        for (++i; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
            if (scale >= 1000000000LL) continue; // digits beyond nano-units cannot change the result
            fraction = fraction * 10 + (text[i] - '0');
            scale *= 10;
        }
    }
    std::int64_t result = whole * factor + fraction * factor / scale;
    return negative ? -result : result;
}

std::int64_t frequencyOf(std::string_view body) {
    std::string u = upper(body);
    std::int64_t factor = contains(u, "MHZ") ? 1000000 : contains(u, "KHZ") ? 1000 : 1;
    return scaledDecimal(body, factor);
}

std::int64_t intervalFrequencyOf(std::string_view body) {
    std::string u = upper(body);
    double value = std::strtod(std::string(trim(body)).c_str(), nullptr);
    double perSecond = contains(u, "US") ? 1e6 : contains(u, "MS") ? 1e3 : 1e9;
    if (!(value > 0)) return 0;
    double frequency = perSecond / value;
    return frequency >= 9.2e18 ? 0 : static_cast<std::int64_t>(frequency);
}

int frequencyModeOf(std::string_view body) {
    std::string wanted;
    for (char c : upper(body))
        if (!isBlank(c)) wanted += c;
    if (wanted.empty()) return 0;
    for (int mode = 0; mode < frequencyModeCount; ++mode) {
        std::string name;
        for (char c : frequencyModeNames[mode])
            if (c != ' ') name += c;
        if (!name.empty() && name == wanted) return mode;
    }
    return -1;
}

void addInputs(std::string_view body, std::vector<ChannelRequest>& requests) {
    std::size_t at = 0;
    for (std::string_view name = nextWord(body, at); !name.empty(); name = nextWord(body, at)) {
        if (std::any_of(requests.begin(), requests.end(), [&](const ChannelRequest& r) { return r.name == name; }))
            continue;
        ChannelRequest request{std::string(name), 1};
        if (name == commandFieldName) {
            request.count = 0;
        } else if (std::size_t open = name.find('['); open != std::string_view::npos) {
            std::size_t dots = name.find("..", open + 1);
            std::size_t close = dots == std::string_view::npos ? dots : name.find(']', dots + 2);
            if (close != std::string_view::npos) {
                long long a = readLeadingInt(name.substr(open + 1, dots - open - 1));
                long long b = readLeadingInt(name.substr(dots + 2, close - dots - 2));
                long long count = (a > b ? a - b : b - a) + 1;
                request.count = static_cast<int>(std::min<long long>(count, 1 << 20));
            }
        }
        requests.push_back(std::move(request));
    }
}

Msg addAssignment(std::string_view body, int maxChannels, std::vector<Assignment>& assignments) {
    std::size_t at = 0;
    std::string_view name = nextWord(body, at);
    if (name.empty()) return Msg::None;
    if (name == commandFieldName) return Msg::QvFunctionCanNotBeAssigned;
    std::string_view list = trim(body.substr(at));
    if (list.find_first_of("0123456789") == std::string_view::npos) return Msg::ChannelNumberTooBig; // no channel
    std::vector<int> channels(static_cast<std::size_t>(std::max(maxChannels, 0)) + 1);
    int count = parseChannelList(list, channels);
    if (count < 0 || count > maxChannels) return Msg::TooManyChannels;
    if (std::any_of(assignments.begin(), assignments.end(), [&](const Assignment& a) { return a.name == name; }))
        return Msg::NoDuplicateChannel;
    channels.resize(static_cast<std::size_t>(count));
    assignments.push_back({std::string(name), std::move(channels)});
    return Msg::None;
}

Msg buildSignalList(const std::vector<ChannelRequest>& requests, const std::vector<Assignment>& assignments,
                    std::vector<Signal>& signals) {
    signals.clear();
    // One bit per sample bit (channel + 12), so that the command bits can be assigned too.
    std::uint64_t used = 0;
    auto find = [&](const std::string& name) -> const Assignment* {
        for (const Assignment& a : assignments)
            if (a.name == name) return &a;
        return nullptr;
    };
    for (const Assignment& a : assignments) {
        if (std::none_of(requests.begin(), requests.end(), [&](const ChannelRequest& r) { return r.name == a.name; }))
            continue;
        for (int channel : a.channels) {
            if (channel < lowestChannel || channel >= channelLimit) return Msg::ChannelNumberTooBig;
            std::uint64_t bit = std::uint64_t{1} << (channel - lowestChannel);
            if (used & bit) return Msg::NoDuplicateChannel;
            used |= bit;
        }
    }
    for (const ChannelRequest& r : requests) {
        Signal signal{r.name, false, {}};
        if (const Assignment* a = find(r.name)) {
            signal.channels = a->channels;
        } else if (r.name == commandFieldName) {
            signal.commandField = true;
        } else {
            int channel = 0;
            for (int taken = 0; taken < r.count; ++taken) {
                while (channel < channelLimit && (used & (std::uint64_t{1} << (channel - lowestChannel)))) ++channel;
                if (channel >= channelLimit) return Msg::TooManyChannels;
                used |= std::uint64_t{1} << (channel - lowestChannel);
                signal.channels.insert(signal.channels.begin(), channel);
            }
        }
        signals.push_back(std::move(signal));
    }
    return Msg::None;
}

std::uint64_t patternWord(std::string_view line, const std::vector<Signal>& signals, int radix) {
    std::uint64_t word = 0;
    std::size_t at = 0;
    for (const Signal& signal : signals) {
        std::string_view text = nextWord(line, at);
        std::uint64_t value = text.empty() ? 0 : readValue(text, radix);
        if (signal.commandField) {
            word |= value & 0xFFF;
            continue;
        }
        const std::size_t n = signal.channels.size();
        for (std::size_t k = 0; k < n && k < 64; ++k) {
            if ((value >> k) & 1u) word |= std::uint64_t{1} << (signal.channels[n - 1 - k] + 12);
        }
    }
    return word;
}

} // namespace qv::textvector
