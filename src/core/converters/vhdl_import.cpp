// VHDL test bench import: ports of the COMPONENT, one small statement interpreter per input bit.
#include "converters/vhdl_import.h"

#include "converters/import_image.h"

#include <algorithm>
#include <cctype>
#include <limits>

namespace qv::vhdl {

namespace {

constexpr int maxNesting = 32;
constexpr std::int64_t picosecondsPerSecond = 1000000000000;

std::string lowered(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

bool identifierChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

std::string_view trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

// "--" to the end of the line becomes blanks.
void removeComments(std::string& text) {
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '-' || text[i + 1] != '-') continue;
        while (i < text.size() && text[i] != '\n') text[i++] = ' ';
    }
}

// Finds `word` (lower case) as a whole word in the lower-cased text from `from`.
std::size_t findWord(const std::string& text, std::string_view word, std::size_t from = 0) {
    for (std::size_t at = text.find(word, from); at != std::string::npos; at = text.find(word, at + 1)) {
        const bool before = at == 0 || !identifierChar(text[at - 1]);
        const bool after = at + word.size() >= text.size() || !identifierChar(text[at + word.size()]);
        if (before && after) return at;
    }
    return std::string::npos;
}

// The words and symbols the interpreter acts on, told apart once when the text is split.
enum class Key : std::uint8_t {
    Other,
    Wait,
    For,
    Loop,
    If,
    End,
    Then,
    Else,
    Elsif,
    Now,
    Begin,
    Process,
    Downto,
    Semicolon,
    Assign,
    AtLeast,
    Open
};

Key keyOf(std::string_view text) {
    static constexpr std::pair<std::string_view, Key> keys[] = {
        {"wait", Key::Wait},   {"for", Key::For},     {"loop", Key::Loop},       {"if", Key::If},
        {"end", Key::End},     {"then", Key::Then},   {"else", Key::Else},       {"elsif", Key::Elsif},
        {"now", Key::Now},     {"begin", Key::Begin}, {"process", Key::Process}, {"downto", Key::Downto},
        {";", Key::Semicolon}, {"<=", Key::Assign},   {">=", Key::AtLeast},      {"(", Key::Open}};
    for (const auto& [word, key] : keys)
        if (text == word) return key;
    return Key::Other;
}

struct Token {
    enum Kind { Word, Number, Character, Symbol } kind;
    std::string_view text; // words in lower case (the text is lower-cased)
    Key key = Key::Other;
};

std::vector<Token> tokenize(std::string_view text) {
    std::vector<Token> tokens;
    for (std::size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (std::isspace(static_cast<unsigned char>(c))) {
            ++i;
        } else if (std::isalpha(static_cast<unsigned char>(c))) {
            std::size_t j = i;
            while (j < text.size() && identifierChar(text[j])) ++j;
            tokens.push_back({Token::Word, text.substr(i, j - i), keyOf(text.substr(i, j - i))});
            i = j;
        } else if (std::isdigit(static_cast<unsigned char>(c))) {
            std::size_t j = i;
            while (j < text.size() &&
                   (std::isdigit(static_cast<unsigned char>(text[j])) || text[j] == '.' || text[j] == '_'))
                ++j;
            tokens.push_back({Token::Number, text.substr(i, j - i)});
            i = j;
        } else if (c == '\'' && i + 2 < text.size() && text[i + 2] == '\'') {
            tokens.push_back({Token::Character, text.substr(i + 1, 1)});
            i += 3;
        } else if (i + 1 < text.size() && (text[i + 1] == '=' || (c == '=' && text[i + 1] == '>'))) {
            tokens.push_back({Token::Symbol, text.substr(i, 2), keyOf(text.substr(i, 2))});
            i += 2;
        } else {
            tokens.push_back({Token::Symbol, text.substr(i, 1), keyOf(text.substr(i, 1))});
            ++i;
        }
    }
    return tokens;
}

// A time of a WAIT FOR or NOW in picoseconds (ps when no unit follows), saturated.
std::int64_t timePs(std::string_view number, std::string_view unit) {
    std::string digits;
    for (char c : number)
        if (c != '_') digits += c;
    constexpr std::int64_t saturated = std::numeric_limits<std::int64_t>::max();
    if (unit == "fs") return textvector::scaledDecimal(digits, 1) / 1000;
    if (unit == "ns") return textvector::scaledDecimal(digits, 1000);
    if (unit == "us") return textvector::scaledDecimal(digits, 1000000);
    if (unit == "ms") return textvector::scaledDecimal(digits, 1000000000);
    if (unit == "sec") {
        const std::int64_t ms = textvector::scaledDecimal(digits, 1000);
        return ms > saturated / 1000000000 ? saturated : ms * 1000000000;
    }
    return textvector::scaledDecimal(digits, 1);
}

// The time at tokens[i] (a number and an optional unit); -1 when none stands there.
std::int64_t timeAt(const std::vector<Token>& tokens, std::size_t i) {
    if (i >= tokens.size() || tokens[i].kind != Token::Number) return -1;
    const std::string_view unit = i + 1 < tokens.size() && tokens[i + 1].kind == Token::Word ? tokens[i + 1].text : "";
    return timePs(tokens[i].text, unit);
}

bool is(const std::vector<Token>& tokens, std::size_t i, Key key) { return i < tokens.size() && tokens[i].key == key; }

// Passes of FOR i IN from TO to (both bounds at least 0, as the tokenizer reads them), saturated.
std::int64_t loopCount(std::int64_t from, std::int64_t to) {
    if (to < from) return 0;
    const std::int64_t span = to - from;
    return span == std::numeric_limits<std::int64_t>::max() ? span : span + 1;
}

// One input bit's process, run statement by statement: levels over time into its channel.
class Process {
  public:
    Process(const std::vector<Token>& tokens, std::int64_t periodPs, std::span<Sample> image, int lead, int limit,
            int channel)
        : tokens_(tokens), periodPs_(periodPs), image_(image), lead_(lead), limit_(limit), channel_(channel) {
        // The ";" at or after each token (the end when there is none).
        semicolon_.resize(tokens.size());
        for (std::size_t i = tokens.size(), next = tokens.size(); i-- > 0;) {
            if (tokens[i].key == Key::Semicolon) next = i;
            semicolon_[i] = next;
        }
        // Where each LOOP and IF ends (the token after its "END LOOP ;" / "END IF ;").
        closing_.assign(tokens.size(), tokens.size());
        std::vector<std::size_t> open;
        for (std::size_t i = 0; i < tokens.size(); ++i) {
            if (is(tokens, i, Key::End) && (is(tokens, i + 1, Key::Loop) || is(tokens, i + 1, Key::If))) {
                const std::size_t after = std::min(semicolon_[i + 1] + 1, tokens.size());
                if (!open.empty()) closing_[open.back()] = after, open.pop_back();
                i += 1;
            } else if (is(tokens, i, Key::Loop) || is(tokens, i, Key::If)) {
                open.push_back(i);
            }
        }
    }

    void run() { block(0, tokens_.size(), 0); }
    bool inexact() const { return inexact_; }
    int samples() const { return position_; }
    bool level() const { return level_; } // the level the process ends with, held from then on

  private:
    // The token after the statement at i (its ";"), at most end.
    std::size_t statementEnd(std::size_t i, std::size_t end) const {
        return i < end ? std::min(semicolon_[i] + 1, end) : end;
    }

    // Samples from the start to the absolute time t, the edge at t rounded to the nearest sample
    // (a half period up): delays that are no whole number of periods do not add up their errors.
    std::int64_t samplesAt(std::int64_t t) const { return t / periodPs_ + (2 * (t % periodPs_) >= periodPs_ ? 1 : 0); }

    void hold(std::int64_t ps) {
        if (ps < 0) return;
        if (ps % periodPs_ != 0) inexact_ = true;
        nowPs_ = nowPs_ > std::numeric_limits<std::int64_t>::max() - ps ? std::numeric_limits<std::int64_t>::max()
                                                                        : nowPs_ + ps;
        const std::int64_t room = std::max(limit_ - lead_, 0);
        const std::int64_t target = samplesAt(nowPs_);
        const int next = static_cast<int>(std::min(target, room));
        if (level_)
            for (int k = position_; k < next; ++k) image_[static_cast<std::size_t>(lead_ + k)] |= channelBit(channel_);
        position_ = std::max(position_, next);
        if (target > room) stopped_ = true; // the image is full
    }

    // Runs the statements in [i, end).
    void block(std::size_t i, std::size_t end, int depth) {
        while (i < end && !stopped_) {
            const Token& t = tokens_[i];
            if (t.key == Key::Wait) {
                if (is(tokens_, i + 1, Key::For)) {
                    hold(timeAt(tokens_, i + 2));
                } else if (is(tokens_, i + 1, Key::Semicolon)) {
                    stopped_ = true;
                }
                i = statementEnd(i, end);
            } else if (t.key == Key::For || t.key == Key::Loop) {
                std::size_t header = i;
                while (header < end && tokens_[header].key != Key::Loop) ++header;
                if (header >= end) return;
                const std::size_t close = std::min(closing_[header], end);
                std::int64_t count = std::numeric_limits<std::int64_t>::max(); // LOOP: until NOW or WAIT
                if (t.key == Key::For) {
                    std::int64_t a = 0, b = 0;
                    std::size_t k = i;
                    while (k < header && tokens_[k].kind != Token::Number) ++k;
                    a = k < header ? textvector::scaledDecimal(tokens_[k].text, 1) : 0;
                    for (++k; k < header && tokens_[k].kind != Token::Number;) ++k;
                    b = k < header ? textvector::scaledDecimal(tokens_[k].text, 1) : a - 1;
                    const bool down = std::any_of(tokens_.begin() + static_cast<std::ptrdiff_t>(i),
                                                  tokens_.begin() + static_cast<std::ptrdiff_t>(header),
                                                  [](const Token& x) { return x.key == Key::Downto; });
                    count = down ? loopCount(b, a) : loopCount(a, b);
                }
                if (depth < maxNesting) {
                    // The body ends before its "END LOOP ;": find that END from the close.
                    std::size_t bodyEnd = close;
                    while (bodyEnd > header + 1 && tokens_[bodyEnd - 1].key != Key::End) --bodyEnd;
                    if (bodyEnd > header + 1) --bodyEnd;
                    for (std::int64_t n = 0; n < count && !stopped_; ++n) {
                        const std::int64_t before = nowPs_;
                        block(header + 1, bodyEnd, depth + 1);
                        if (nowPs_ == before) break; // no time passes: once is all it does
                    }
                }
                i = close;
            } else if (t.key == Key::If) {
                const std::size_t close = std::min(closing_[i], end);
                std::size_t then = i;
                while (then < close && tokens_[then].key != Key::Then) ++then;
                bool holds = false;
                for (std::size_t k = i; k + 2 < then; ++k)
                    if (tokens_[k].key == Key::Now && tokens_[k + 1].key == Key::AtLeast)
                        holds = nowPs_ >= timeAt(tokens_, k + 2) && timeAt(tokens_, k + 2) >= 0;
                if (holds && depth < maxNesting) {
                    std::size_t thenEnd = then + 1;
                    while (thenEnd < close && tokens_[thenEnd].key != Key::Else && tokens_[thenEnd].key != Key::Elsif &&
                           !(tokens_[thenEnd].key == Key::End && is(tokens_, thenEnd + 1, Key::If)))
                        ++thenEnd;
                    block(then + 1, thenEnd, depth + 1);
                }
                i = close;
            } else if (t.kind == Token::Word && (is(tokens_, i + 1, Key::Assign) || is(tokens_, i + 1, Key::Open))) {
                const std::size_t stop = statementEnd(i, end);
                for (std::size_t k = i; k < stop; ++k)
                    if (tokens_[k].kind == Token::Character &&
                        (tokens_[k].text[0] == '0' || tokens_[k].text[0] == '1')) {
                        level_ = tokens_[k].text[0] == '1';
                        break;
                    }
                i = stop;
            } else if (t.key == Key::Begin || t.key == Key::End || t.key == Key::Process) {
                i = t.key == Key::End ? statementEnd(i, end) : i + 1;
            } else {
                i = statementEnd(i, end);
            }
        }
    }

    const std::vector<Token>& tokens_;
    std::vector<std::size_t> closing_, semicolon_;
    std::int64_t periodPs_;
    std::span<Sample> image_;
    int lead_, limit_, channel_;
    int position_ = 0;
    std::int64_t nowPs_ = 0;
    bool level_ = false, inexact_ = false, stopped_ = false;
};

// The body of the process of `name` (lower case): the text from its label (the whole identifier
// "t_prcs_name" or "name", a colon, then PROCESS) to its END PROCESS; empty when there is none.
std::string_view processOf(const std::string& text, std::size_t from, const std::string& name) {
    constexpr std::string_view prefix = "t_prcs_";
    for (std::size_t at = text.find(name, from); at != std::string::npos; at = text.find(name, at + 1)) {
        std::size_t label = at;
        if (label >= prefix.size() && std::string_view(text).substr(label - prefix.size(), prefix.size()) == prefix)
            label -= prefix.size();
        if (label > 0 && identifierChar(text[label - 1])) continue;
        std::size_t k = at + name.size();
        if (k >= text.size() || text[k] != ':' || (k + 1 < text.size() && text[k + 1] == '=')) continue;
        const std::size_t process = findWord(text, "process", k);
        if (process == std::string::npos || !trim(std::string_view(text).substr(k + 1, process - k - 1)).empty())
            continue;
        const std::size_t bodyStart = process + 7;
        std::size_t end = findWord(text, "end", bodyStart);
        while (end != std::string::npos) {
            std::size_t next = end + 3;
            while (next < text.size() && std::isspace(static_cast<unsigned char>(text[next]))) ++next;
            if (text.compare(next, 7, "process") == 0) break;
            end = findWord(text, "end", end + 3);
        }
        if (end == std::string::npos) end = text.size();
        return std::string_view(text).substr(bodyStart, end - bodyStart);
    }
    return {};
}

} // namespace

std::int64_t samplePeriodPs(const Capabilities& caps) {
    return is200MHzModel(caps.modelCode) ? periodPs200MHz : periodPs100MHz;
}

bool readPorts(std::string_view original, std::vector<Port>& ports) {
    ports.clear();
    const std::string text = lowered(original);
    std::size_t component = findWord(text, "component");
    while (component != std::string::npos && component >= 4 && trim(text.substr(component - 4, 4)) == "end")
        component = findWord(text, "component", component + 9);
    if (component == std::string::npos) return false;
    const std::size_t open = text.find('(', component);
    std::size_t close = findWord(text, "end", component);
    for (; close != std::string::npos; close = findWord(text, "end", close + 3)) {
        std::size_t next = close + 3;
        while (next < text.size() && std::isspace(static_cast<unsigned char>(text[next]))) ++next;
        if (text.compare(next, 9, "component") == 0) break;
    }
    if (open == std::string::npos || close == std::string::npos || open > close) return true;
    std::string_view list = std::string_view(original).substr(open + 1, close - open - 1);
    while (!list.empty()) {
        const std::size_t semicolon = list.find(';');
        std::string_view port = list.substr(0, semicolon);
        list = semicolon == std::string_view::npos ? std::string_view{} : list.substr(semicolon + 1);
        const std::size_t colon = port.find(':');
        if (colon == std::string_view::npos) continue;
        const std::string typeText = lowered(port.substr(colon + 1));
        const std::vector<Token> type = tokenize(typeText);
        const std::string kind = type.empty() ? std::string() : std::string(type[0].text);
        Port p;
        p.input = kind == "in" || kind == "inout";
        for (const Token& t : type) p.vector = p.vector || t.text.find("vector") != std::string_view::npos;
        if (p.vector) {
            std::vector<long long> bounds;
            for (const Token& t : type)
                if (t.kind == Token::Number && bounds.size() < 2)
                    // Bounds beyond any real port are held to a range whose span cannot overflow.
                    bounds.push_back(
                        std::clamp<long long>(textvector::scaledDecimal(t.text, 1), -(1LL << 30), 1LL << 30));
            if (bounds.size() == 2) {
                const long long span = bounds[0] > bounds[1] ? bounds[0] - bounds[1] : bounds[1] - bounds[0];
                p.width = static_cast<int>(std::min<long long>(span + 1, 1 << 20));
                p.left = bounds[0];
                p.right = bounds[1];
            }
        }
        std::string_view names = port.substr(0, colon);
        while (!names.empty()) {
            const std::size_t comma = names.find(',');
            std::string_view name = trim(names.substr(0, comma));
            names = comma == std::string_view::npos ? std::string_view{} : names.substr(comma + 1);
            if (const std::size_t space = name.find_last_of(" \t\r\n("); space != std::string_view::npos)
                name = name.substr(space + 1); // "PORT (clk" -> "clk"
            if (name.empty()) continue;
            p.name = std::string(name);
            ports.push_back(p);
        }
    }
    return true;
}

Msg importVhdl(std::string text, const ImportSettings& settings, Prompt& prompt, std::span<Sample> image,
               LabelTable& labels, ImportResult& result) {
    result = ImportResult{};
    labels.fill(LabelRecord{});
    std::fill(image.begin(), image.end(), Sample{0});
    removeComments(text);
    if (text.empty() || !readPorts(text, result.ports)) return Msg::NotVhdlTestBench;
    const std::int64_t period = samplePeriodPs(settings.capabilities);
    result.sampleFrequency = static_cast<int>(picosecondsPerSecond / period);
    result.lead = settings.repeat || settings.waitKey ? importing::leadSamples : 0;

    const std::string lower = lowered(text);
    std::size_t body = findWord(lower, "component");
    body = body == std::string::npos ? 0 : body;
    const std::vector<Token> all = tokenize(std::string_view(lower).substr(body));
    std::int64_t shortest = std::numeric_limits<std::int64_t>::max();
    for (std::size_t i = 0; i + 2 < all.size(); ++i)
        if (all[i].key == Key::Wait && all[i + 1].key == Key::For && timeAt(all, i + 2) >= 0)
            shortest = std::min(shortest, timeAt(all, i + 2));
    if (shortest < period) return Msg::VhdlFrequencyTooBig;

    // Channels: the inputs in port order, as long as they fit the test bench's 50 channels; what
    // is left must fit the model's channels.
    std::vector<textvector::ChannelRequest> requests;
    std::vector<const Port*> placed;
    int total = 0;
    bool dropped = false;
    for (const Port& p : result.ports) {
        if (!p.input) continue;
        if (dropped || total + p.width > maxTestBenchChannels) {
            dropped = true;
            continue;
        }
        total += p.width;
        requests.push_back({p.name, p.width});
        placed.push_back(&p);
    }
    if (total > settings.capabilities.channelCount) return Msg::VcdTooManyChannels;
    if (Msg m = textvector::buildSignalList(requests, {}, result.signals); m != Msg::None) return m;

    const int limit = static_cast<int>(image.size()) - prefixSamples;
    int longest = 0;
    std::vector<int> inexactChannels;
    struct Ending {
        int channel, samples;
    };
    std::vector<Ending> high; // channels that end high, and where their process stopped
    for (std::size_t s = 0; s < placed.size(); ++s) {
        const Port& p = *placed[s];
        for (int k = 0; k < p.width; ++k) {
            // Bit k from the left bound: the k-th listed (most significant first) channel.
            const long long bit = p.left >= p.right ? p.left - k : p.left + k;
            const std::string name = p.vector ? p.name + "_" + std::to_string(bit) : p.name;
            const int channel = result.signals[s].channels[static_cast<std::size_t>(k)];
            const std::string_view process = processOf(lower, body, lowered(name));
            if (process.empty()) continue;
            const std::vector<Token> tokens = tokenize(process);
            Process run(tokens, period, image, result.lead, limit, channel);
            run.run();
            longest = std::max(longest, run.samples());
            if (run.level()) high.push_back({channel, run.samples()});
            if (run.inexact()) {
                result.inexact.push_back(name);
                inexactChannels.push_back(channel);
            }
        }
    }
    // A process ends (WAIT;) holding its last level: to the end of the data, and after it, so that
    // output rests at the final levels.
    if (longest == 0 && !high.empty() && limit > result.lead) longest = 1;
    Sample finalWord = 0;
    for (const Ending& e : high) {
        finalWord |= channelBit(e.channel);
        for (int i = result.lead + e.samples; i < result.lead + longest; ++i)
            image[static_cast<std::size_t>(i)] |= channelBit(e.channel);
    }
    if (finalWord != 0)
        std::fill(image.begin() +
                      std::min<std::ptrdiff_t>(result.lead + longest, static_cast<std::ptrdiff_t>(image.size())),
                  image.end(), finalWord);
    if (!result.inexact.empty()) {
        std::string names;
        for (const std::string& n : result.inexact) names += (names.empty() ? "" : ", ") + n;
        if (prompt.askWith(static_cast<int>(Msg::VhdlInexactPeriod), Buttons::YesNo, names) != Answer::Yes) {
            Sample mask = 0;
            for (int c : inexactChannels) mask |= channelBit(c);
            for (Sample& sample : image) sample &= ~mask;
        }
    }
    if (dropped) prompt.show(static_cast<int>(Msg::VhdlTooManyChannels));
    result.end = result.lead + longest;
    if (!importing::buildSignalLabels(result.signals, labels)) return Msg::TooManyLabels;
    return Msg::None;
}

int finishVhdlImage(std::span<Sample> image, const ImportSettings& settings, const ImportResult& result) {
    importing::ConvertCommands commands;
    commands.sixteenChannelSet = isSixteenChannelModel(settings.capabilities.modelCode);
    commands.waitKey = settings.waitKey;
    commands.repeat = settings.repeat;
    // The jump keeps off its own target and the two samples after it.
    commands.end = settings.repeat ? std::max(result.end, importing::leadSamples + 6) : result.end;
    commands.repeatTarget = importing::leadSamples;
    importing::writeConvertCommands(image, commands);
    return commands.end;
}

} // namespace qv::vhdl
