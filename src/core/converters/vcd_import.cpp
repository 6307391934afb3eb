// VCD import: block tokenizer, declarations, value changes into one sample word, runs into the image.
#include "converters/vcd_import.h"

#include "converters/import_image.h"
#include "device/frequency.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <limits>
#include <unordered_map>

namespace qv::vcd {

namespace {

constexpr std::size_t maxVariables = 100000; // channel-less variables beyond this are ignored
constexpr std::size_t maxGatheredTokens = 16; // words kept of a $var or $timescale
constexpr std::uint64_t maxWidth = 1u << 20;
constexpr char defaultTimescale[] = "1ns"; // a file without $timescale
constexpr std::size_t minimumBlockBytes = 256; // well above the fast walk's margin

// Blanks: space, tab, line feed, carriage return, the other control characters and NUL (none of
// them can stand in a VCD token).
inline bool isBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

// p[0] .. p[3] as a little-endian number: one load (p[3] must be readable).
inline std::uint32_t fourBytes(const char* p) {
    std::uint32_t v;
    std::memcpy(&v, p, sizeof v);
    if constexpr (std::endian::native == std::endian::big)
        v = (v >> 24) | ((v >> 8) & 0xFF00) | ((v << 8) & 0xFF0000) | (v << 24);
    return v;
}

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool keywordIs(std::string_view token, std::string_view lowerKeyword) {
    if (token.size() != lowerKeyword.size()) return false;
    for (std::size_t i = 0; i < token.size(); ++i)
        if (lower(token[i]) != lowerKeyword[i]) return false;
    return true;
}

// Blank-separated tokens of the source, read in blocks; a token is a view into the block and
// lives until the next call. A token longer than a block is cut into block-sized pieces.
class Tokens {
  public:
    Tokens(ByteSource& source, const ImportSettings& settings)
        : source_(source), settings_(settings),
          blockBytes_(std::max<std::size_t>(settings.blockBytes, minimumBlockBytes)), buffer_(blockBytes_ + 1) {}

    // The buffer keeps a NUL (a blank) behind its data, so a token scan needs no bounds check.
    bool next(std::string_view& token) {
        for (;;) {
            const char* p = buffer_.data() + position_;
            const char* const end = buffer_.data() + end_;
            while (p < end && isBlank(*p)) ++p;
            if (p == end) {
                position_ = end_;
                if (!refill()) return false;
                continue;
            }
            const char* const start = p;
            while (!isBlank(*p)) ++p;
            if (p == end && !atEnd_ && start > buffer_.data()) {
                position_ = static_cast<std::size_t>(start - buffer_.data());
                if (!refill() && cancelled_) return false;
                continue;
            }
            position_ = static_cast<std::size_t>(p - buffer_.data());
            token = std::string_view(start, static_cast<std::size_t>(p - start));
            return true;
        }
    }
    bool cancelled() const { return cancelled_; }

    // The unread data of the block, for a caller that walks it itself: [cursor, end), a NUL at
    // end. Tokens that reach `end` may continue in the next block.
    const char* cursor() const { return buffer_.data() + position_; }
    const char* dataEnd() const { return buffer_.data() + end_; }
    void moveTo(const char* p) { position_ = static_cast<std::size_t>(p - buffer_.data()); }

  private:
    bool refill() {
        if (settings_.cancel != nullptr && settings_.cancel->load() != 0) {
            cancelled_ = true;
            atEnd_ = true;
            return false;
        }
        std::memmove(buffer_.data(), buffer_.data() + position_, end_ - position_);
        end_ -= position_;
        position_ = 0;
        buffer_[end_] = '\0';
        const std::int64_t left = source_.size() - offset_;
        const std::size_t want = static_cast<std::size_t>(std::min<std::int64_t>(left, blockBytes_ - end_));
        if (want == 0 || !source_.read(offset_, buffer_.data() + end_, want)) {
            atEnd_ = true;
            return false;
        }
        offset_ += static_cast<std::int64_t>(want);
        end_ += want;
        buffer_[end_] = '\0';
        if (offset_ >= source_.size()) atEnd_ = true;
        if (settings_.progress) settings_.progress(offset_, source_.size());
        return true;
    }

    ByteSource& source_;
    const ImportSettings& settings_;
    std::size_t blockBytes_;
    std::vector<char> buffer_;
    std::size_t position_ = 0, end_ = 0;
    std::int64_t offset_ = 0;
    bool atEnd_ = false;
    bool cancelled_ = false;
};

struct Channelled {
    int variable; // index into the result's variables
    int shift = 0; // bit of the least significant channel in the sample word
    int width = 0;
    Sample mask = 0; // the variable's bits in the sample word
    std::uint64_t channels = 0; // the same bits as channels (mask >> firstChannelBit)
    int alias = -1; // the next entry with the same identifier code
};

std::uint64_t decimal(std::string_view text, bool& ok) {
    ok = !text.empty();
    std::uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            ok = false;
            return 0;
        }
        const unsigned digit = static_cast<unsigned>(c - '0');
        value = value > (std::numeric_limits<std::uint64_t>::max() - digit) / 10
            ? std::numeric_limits<std::uint64_t>::max()
            : value * 10 + digit;
    }
    return value;
}

class Importer {
  public:
    Importer(const ImportSettings& settings, Prompt& prompt, std::span<Sample> image, ImportResult& result)
        : settings_(settings), prompt_(prompt), result_(result),
          lead_(settings.repeat || settings.waitKey ? importing::leadSamples : 0),
          image_(image, lead_, importing::firstCommandSample(settings.capabilities, lead_),
                 static_cast<int>(image.size()) - prefixSamples),
          shortCodes_(shortCodeSlots, -1) {}

    // The body's common tokens straight from the block: scalar and binary vector changes with
    // one-character codes, and time stamps. Anything else, and anything near the block's end, is
    // left to next(). This loop is where a large dump spends its time: the state stays in
    // registers, a scalar change is a table lookup and a masked bit write without branches.
    void fastBody(Tokens& tokens) {
        constexpr std::ptrdiff_t margin = 64; // a token this near the end may go on in the next block
        const char* p = tokens.cursor();
        const char* const end = tokens.dataEnd();
        const int* const codes = shortCodes_.data();
        const Channelled* const channelled = channelled_.data();
        Sample word = word_;
        std::uint64_t floating = floating_;
        bool changed = changed_;
        while (!stopped_) {
            while (p < end && isBlank(*p)) ++p;
            if (end - p < margin) break;
            const char c = *p;
            if ((c == '0' || c == '1') && !isBlank(p[1]) && isBlank(p[2])) {
                // Then as long as the lines are "<0|1><code>\n": one test of the three bytes per line.
                const char* const last = end - margin;
                std::uint32_t line = fourBytes(p);
                do {
                    const ScalarSlot& slot = scalarSlots_[(line >> 8) & 0xFF];
                    word = (word & ~slot.mask) | (slot.one & (Sample{0} - (line & 1)));
                    floating &= ~(slot.mask >> firstChannelBit);
                    p += 3;
                    line = fourBytes(p);
                } while (p < last && (line & 0xFF00FE) == 0x0A0030 && ((line >> 8) & 0xFF) > ' ');
                changed = true;
            } else if (c == '#') {
                // "#<digits>": the time stamp, read here; anything else goes the long way.
                const char* q = p + 1;
                std::uint64_t t = 0;
                while (static_cast<unsigned char>(*q - '0') < 10 && q - p < 20)
                    t = t * 10 + static_cast<unsigned>(*q++ - '0');
                if (q == p + 1 || !isBlank(*q)) break;
                if (t > now_) {
                    if (runCount_ != 0 && (word != runWord_ || floating != runFloating_)) flush();
                    if (runCount_ == 0) runWord_ = word, runFloating_ = floating;
                    runCount_ += t - now_; // t below 10^19: no overflow
                    now_ = t;
                    changed = false;
                }
                p = q;
            } else if (c == 'b' || c == 'B') {
                // "b0101 c": binary digits only (x and z go the long way), a one-character code.
                const char* q = p + 1;
                std::uint64_t value = 0;
                while ((*q == '0' || *q == '1') && q - p <= 64) value = value << 1 | static_cast<unsigned>(*q++ - '0');
                if (q == p + 1 || !isBlank(*q) || q - p > 64) break;
                const char* code = q;
                while (code < end && isBlank(*code)) ++code;
                if (end - code < 2 || isBlank(*code) || !isBlank(code[1])) break;
                for (int i = codes[static_cast<unsigned char>(*code)]; i >= 0;) {
                    const Channelled& v = channelled[i];
                    word = (word & ~v.mask) | ((value << v.shift) & v.mask);
                    floating &= ~v.channels;
                    i = v.alias;
                }
                changed = true;
                p = code + 1;
            } else {
                break;
            }
        }
        word_ = word;
        floating_ = floating;
        changed_ = changed;
        tokens.moveTo(p);
    }

    Msg run(Tokens& tokens) {
        std::string_view token;
        while (!stopped_) {
            if (timescaleRead_) fastBody(tokens);
            if (stopped_ || !tokens.next(token)) break;
            const char first = token.front();
            if ((first == '0' || first == '1') && token.size() >= 2 && timescaleRead_) {
                // The common case first: a scalar change.
                for (int i = lookup(token.substr(1)); i >= 0; i = channelled_[static_cast<std::size_t>(i)].alias)
                    applyScalar(channelled_[static_cast<std::size_t>(i)], first);
                changed_ = true;
            } else if (first == '#') {
                time(token.substr(1));
            } else if (first == '$') {
                if (Msg m = keyword(tokens, token); m != Msg::None) return m;
            } else if (first == 'b' || first == 'B') {
                // The token dies with the next one: keep its low 64 digits and the leading one
                // (which decides the extension).
                std::string_view digits = token.substr(1);
                if (digits.empty()) continue;
                std::array<char, 65> kept;
                const std::size_t n = std::min<std::size_t>(digits.size(), 64);
                kept[0] = digits.front();
                std::memcpy(kept.data() + 1, digits.data() + digits.size() - n, n);
                const std::string_view saved(kept.data(), n + 1);
                if (!tokens.next(token)) break;
                if (Msg m = ensureTimescale(); m != Msg::None) return m;
                for (int i = lookup(token); i >= 0; i = channelled_[static_cast<std::size_t>(i)].alias)
                    applyVector(channelled_[static_cast<std::size_t>(i)], saved);
                changed_ = true;
            } else if (first == 'r' || first == 'R' || first == 's' || first == 'S') {
                if (!tokens.next(token)) break; // real and string values have no channel
            } else if (token.size() >= 2) {
                if (Msg m = ensureTimescale(); m != Msg::None) return m;
                for (int i = lookup(token.substr(1)); i >= 0; i = channelled_[static_cast<std::size_t>(i)].alias)
                    applyScalar(channelled_[static_cast<std::size_t>(i)], first);
                changed_ = true;
            }
        }
        if (tokens.cancelled()) {
            result_.abandoned = true;
            return Msg::None;
        }
        if (Msg m = ensureTimescale(); m != Msg::None) return m;
        if (!stopped_) {
            addRun(word_, floating_, changed_ ? 1 : 0); // the final state, when it changed at the end
            flush();
        }
        if (result_.abandoned) return Msg::None;
        result_.lead = lead_;
        result_.end = image_.finish();
        result_.repeatEnd = image_.repeatEnd();
        result_.outputSamples = image_.outputSamples();
        return Msg::None;
    }

  private:
    // For a one-character code: the bits of every variable declared with it, and the bits a "1"
    // sets (the least significant of each), so that a scalar change needs one load.
    struct ScalarSlot {
        Sample mask = 0;
        Sample one = 0;
    };

    // Codes of one character, and of two printable ones (the first 8,900 or so a dump declares),
    // index a table directly; others go through a hash map.
    static constexpr int firstPrintable = '!', printables = '~' - '!' + 1;
    static constexpr std::size_t shortCodeSlots = 256 + printables * printables;

    static int shortSlot(std::string_view code) {
        if (code.size() == 1) return static_cast<unsigned char>(code[0]);
        if (code.size() != 2) return -1;
        const int first = static_cast<unsigned char>(code[0]) - firstPrintable;
        const int second = static_cast<unsigned char>(code[1]) - firstPrintable;
        if (first < 0 || first >= printables || second < 0 || second >= printables) return -1;
        return 256 + first * printables + second;
    }

    int lookup(std::string_view code) {
        if (const int slot = shortSlot(code); slot >= 0) return shortCodes_[static_cast<std::size_t>(slot)];
        if (longCodes_.empty()) return -1;
        scratch_.assign(code);
        auto found = longCodes_.find(scratch_);
        return found == longCodes_.end() ? -1 : found->second;
    }

    void enter(std::string_view code, int index) {
        if (code.size() == 1) {
            ScalarSlot& slot = scalarSlots_[static_cast<unsigned char>(code[0])];
            slot.mask |= channelled_[static_cast<std::size_t>(index)].mask;
            slot.one |= Sample{1} << channelled_[static_cast<std::size_t>(index)].shift;
        }
        if (const int slot = shortSlot(code); slot >= 0) {
            channelled_[static_cast<std::size_t>(index)].alias = shortCodes_[static_cast<std::size_t>(slot)];
            shortCodes_[static_cast<std::size_t>(slot)] = index;
            return;
        }
        auto [it, inserted] = longCodes_.try_emplace(std::string(code), index);
        if (!inserted) {
            channelled_[static_cast<std::size_t>(index)].alias = it->second;
            it->second = index;
        }
    }

    void applyScalar(const Channelled& v, char value) {
        const Sample low = Sample{1} << v.shift;
        const std::uint64_t channels = v.mask >> firstChannelBit;
        const bool high = value == '1';
        const bool floating = value == 'z' || value == 'Z';
        word_ = (word_ & ~v.mask) | (high ? low : 0);
        floating_ = (floating_ & ~channels) | (floating ? channels : 0);
    }

    // digits: the leading digit, then the value's digits (the low 64 of them at most).
    void applyVector(const Channelled& v, std::string_view kept) {
        const char leading = lower(kept.front());
        const std::string_view digits = kept.substr(1);
        const char extension = leading == 'x' || leading == 'z' ? leading : '0';
        std::uint64_t value = 0, floating = 0;
        const std::size_t n = digits.size();
        for (int k = 0; k < v.width; ++k) {
            const char c =
                static_cast<std::size_t>(k) < n ? lower(digits[n - 1 - static_cast<std::size_t>(k)]) : extension;
            if (c == '1') value |= std::uint64_t{1} << k;
            if (c == 'z') floating |= std::uint64_t{1} << k;
        }
        const std::uint64_t channels = v.mask >> firstChannelBit;
        const int firstChannel = v.shift - firstChannelBit;
        word_ = (word_ & ~v.mask) | ((value << v.shift) & v.mask);
        floating_ = (floating_ & ~channels) | ((floating << firstChannel) & channels);
    }

    void time(std::string_view digits) {
        bool ok = false;
        const std::uint64_t t = decimal(digits, ok);
        if (!ok || t <= now_) return;
        addRun(word_, floating_, t - now_);
        now_ = t;
        changed_ = false;
    }

    void addRun(Sample word, std::uint64_t floating, std::uint64_t count) {
        if (count == 0) return;
        if (runCount_ != 0 && (word != runWord_ || floating != runFloating_)) flush();
        if (runCount_ == 0) runWord_ = word, runFloating_ = floating;
        runCount_ = runCount_ > std::numeric_limits<std::uint64_t>::max() - count
            ? std::numeric_limits<std::uint64_t>::max()
            : runCount_ + count;
    }

    void flush() {
        if (runCount_ == 0 || stopped_) return;
        if (runFloating_ != appliedFloating_) {
            image_.setOutputEnable(importing::outputEnableFor(runFloating_, settings_.capabilities.channelsPerGroup));
            appliedFloating_ = runFloating_;
        }
        const importing::RunFit fit = image_.appendRunOrAsk(runWord_, runCount_, prompt_);
        runCount_ = 0;
        if (fit == importing::RunFit::Fits) return;
        stopped_ = true;
        result_.truncated = fit == importing::RunFit::Truncated;
        result_.abandoned = fit == importing::RunFit::Abandoned;
    }

    // Gathers the words of a declaration up to its $end (the first few are kept).
    std::vector<std::string> gather(Tokens& tokens) {
        std::vector<std::string> words;
        std::string_view token;
        while (tokens.next(token) && !keywordIs(token, "$end"))
            if (words.size() < maxGatheredTokens) words.emplace_back(token);
        return words;
    }

    Msg keyword(Tokens& tokens, std::string_view token) {
        if (keywordIs(token, "$timescale")) {
            std::string text;
            for (const std::string& w : gather(tokens)) text += w;
            if (!timescaleRead_) return timescale(text);
            return Msg::None;
        }
        if (keywordIs(token, "$var")) return variable(gather(tokens));
        if (keywordIs(token, "$dumpvars") || keywordIs(token, "$dumpall") || keywordIs(token, "$dumpon") ||
            keywordIs(token, "$dumpoff") || keywordIs(token, "$end"))
            return Msg::None; // their contents are ordinary value changes
        (void)gather(tokens); // $scope, $upscope, $comment, $date, $version, $enddefinitions, others
        return Msg::None;
    }

    Msg ensureTimescale() { return timescaleRead_ ? Msg::None : timescale(defaultTimescale); }

    Msg timescale(std::string_view text) {
        timescaleRead_ = true;
        const Capabilities& caps = settings_.capabilities;
        std::string shown;
        std::int64_t frequency = timescaleFrequency(text, shown);
        if (frequency > caps.maxOutputFrequency) {
            const char* finest = caps.maxOutputFrequency > 100000000 ? "5ns" : "10ns";
            if (prompt_.askWith(static_cast<int>(Msg::VcdTimescaleOutOfRange), Buttons::YesNo, shown, finest) !=
                Answer::Yes)
                return Msg::RateOutOfRange;
            frequency = caps.maxOutputFrequency;
        }
        return importing::askAchievableFrequency(std::max<std::int64_t>(frequency, 1), caps, prompt_,
                                                 result_.sampleFrequency);
    }

    Msg variable(const std::vector<std::string>& words) {
        if (words.size() < 4 || result_.variables.size() >= maxVariables) return Msg::None;
        bool ok = false;
        std::uint64_t width = decimal(words[1], ok);
        if (!ok) return Msg::None;
        width = std::min(width, maxWidth);
        const std::string& type = words[0];
        const bool valueless = keywordIs(type, "real") || keywordIs(type, "realtime") || keywordIs(type, "event") ||
            keywordIs(type, "string");
        Variable v{words[3], words[2], static_cast<int>(width), -1};
        if (!valueless && width > 0) {
            if (static_cast<std::uint64_t>(totalWidth_) + width >
                static_cast<std::uint64_t>(settings_.capabilities.channelCount))
                return Msg::VcdTooManyChannels;
            v.firstChannel = totalWidth_;
            totalWidth_ += static_cast<int>(width);
            Channelled c;
            c.variable = static_cast<int>(result_.variables.size());
            c.shift = firstChannelBit + v.firstChannel;
            c.width = v.width;
            c.mask = ((width >= 64 ? ~Sample{0} : (Sample{1} << width) - 1)) << c.shift;
            c.channels = c.mask >> firstChannelBit;
            channelled_.push_back(c);
            enter(v.code, static_cast<int>(channelled_.size()) - 1);
        }
        result_.variables.push_back(std::move(v));
        return Msg::None;
    }

    const ImportSettings& settings_;
    Prompt& prompt_;
    ImportResult& result_;
    int lead_;
    importing::ImportImage image_;
    std::vector<Channelled> channelled_;
    std::vector<int> shortCodes_;
    std::array<ScalarSlot, 256> scalarSlots_{};
    std::unordered_map<std::string, int> longCodes_;
    std::string scratch_;
    int totalWidth_ = 0;
    bool timescaleRead_ = false;
    Sample word_ = 0; // the current value of every channel
    std::uint64_t floating_ = 0; // channels in "z"
    std::uint64_t now_ = 0;
    bool changed_ = false; // changes after the last time stamp
    Sample runWord_ = 0;
    std::uint64_t runFloating_ = 0, appliedFloating_ = 0, runCount_ = 0;
    bool stopped_ = false;
};

} // namespace

std::int64_t timescaleFrequency(std::string_view text, std::string& shown) {
    std::uint64_t number = 0;
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i])) ++i;
    const std::size_t digitsStart = i;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        number = std::min<std::uint64_t>(number * 10 + static_cast<unsigned>(text[i] - '0'), 1000000000000ULL);
    std::string digits(text.substr(digitsStart, i - digitsStart));
    while (i < text.size() && isBlank(text[i])) ++i;
    std::string unit;
    for (; i < text.size() && !isBlank(text[i]); ++i) unit += lower(text[i]);
    static constexpr struct {
        const char* unit;
        std::int64_t perSecond;
    } units[] = {{"s", 1},           {"ms", 1000},          {"us", 1000000},
                 {"ns", 1000000000}, {"ps", 1000000000000}, {"fs", 1000000000000000}};
    if (digits.empty()) number = 1;
    shown.clear();
    shown.append(digits.empty() ? std::string_view("1") : std::string_view(digits));
    shown.append(unit);
    if (number == 0) return 0;
    for (const auto& u : units)
        if (unit == u.unit) return u.perSecond / static_cast<std::int64_t>(number);
    return 0;
}

Msg importVcd(ByteSource& source, const ImportSettings& settings, Prompt& prompt, std::span<Sample> image,
              LabelTable& labels, ImportResult& result) {
    result = ImportResult{};
    labels.fill(LabelRecord{});
    if (source.size() <= 0) return Msg::CantOpenFile;
    if (image.size() <= static_cast<std::size_t>(prefixSamples + importing::leadSamples)) return Msg::MemoryNotEnough;
    std::fill(image.begin(), image.end(), Sample{0});
    Tokens tokens(source, settings);
    Importer importer(settings, prompt, image, result);
    if (Msg m = importer.run(tokens); m != Msg::None) {
        std::fill(image.begin(), image.end(), Sample{0});
        return m;
    }
    if (result.abandoned) {
        std::fill(image.begin(), image.end(), Sample{0});
        return Msg::None;
    }
    std::vector<textvector::ChannelRequest> requests;
    for (const Variable& v : result.variables)
        if (v.firstChannel >= 0) requests.push_back({v.name, v.width});
    if (Msg m = textvector::buildSignalList(requests, {}, result.signals); m != Msg::None) return m;
    if (!importing::buildSignalLabels(result.signals, labels)) return Msg::TooManyLabels;
    return Msg::None;
}

int finishVcdImage(std::span<Sample> image, const ImportSettings& settings, const ImportResult& result) {
    // Load left the last word in every sample after the data, so the later end repeats it.
    const int end = settings.repeat && result.repeatEnd > result.end && result.end > 0 ? result.repeatEnd : result.end;
    importing::ConvertCommands commands;
    commands.sixteenChannelSet = isSixteenChannelModel(settings.capabilities.modelCode);
    commands.waitKey = settings.waitKey;
    commands.repeat = settings.repeat;
    commands.end = end;
    commands.repeatTarget = result.lead;
    importing::writeConvertCommands(image, commands);
    return end;
}

} // namespace qv::vcd
