// The .qvv writer. Each label is prepared once (its bits, width and value form); lines are then
// formatted by hand into a block buffer that goes out in large writes.
#include "waveedit/qvv_writer.h"

#include "device/frequency.h"
#include "support/channel_list.h"
#include "support/file_io.h"
#include "waveedit/commands.h"
#include "waveedit/frequency_mode.h"
#include "waveedit/labels.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>
#include <vector>

namespace qv {
namespace {

constexpr std::size_t blockBytes = 1 << 20;

// Decimal digits of 2^w, w = 0..64: the width of a DEC value.
constexpr std::array<int, 65> decimalWidths = [] {
    std::array<int, 65> widths{};
    std::array<int, 24> digits{}; // 2^64 has 20 digits; least significant first
    int length = 1;
    digits[0] = 1;
    for (int w = 0; w <= 64; ++w) {
        widths[w] = length;
        int carry = 0;
        for (int i = 0; i < length; ++i) {
            int d = digits[i] * 2 + carry;
            digits[i] = d % 10;
            carry = d / 10;
        }
        if (carry) digits[length++] = carry;
    }
    return widths;
}();

enum class Form { Bit, Dec, Oct, Bin, Hex };

struct PreparedLabel {
    std::string name;
    bool command = false;
    std::vector<int> bits; // most significant first
    Form form = Form::Hex;
    int digits = 1;
    char suffix = 0;
};

class Sink {
  public:
    virtual ~Sink() = default;
    virtual bool write(const char* data, std::size_t size) = 0;
};

class StringSink : public Sink {
  public:
    explicit StringSink(std::string& text) : text_(text) {}
    bool write(const char* data, std::size_t size) override {
        text_.append(data, size);
        return true;
    }

  private:
    std::string& text_;
};

class FileSink : public Sink {
  public:
    explicit FileSink(ReplacingFileWriter& file) : file_(file) {}
    bool write(const char* data, std::size_t size) override { return file_.write(data, size); }

  private:
    ReplacingFileWriter& file_;
};

// A name as the statements can carry it: names are separated by blanks and statements end at
// ";", and "%" and "//" open comments, so these become "_" (an empty name too); otherwise the file
// would read back with its values under the wrong labels.
std::string statementName(const char* name) {
    const std::string original(name, strnlen(name, labelNameBytes));
    std::string s = original;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char c = original[i];
        const bool slashPair =
            c == '/' && ((i + 1 < s.size() && original[i + 1] == '/') || (i > 0 && original[i - 1] == '/'));
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == ';' || c == '%' || slashPair) s[i] = '_';
    }
    return s.empty() ? "_" : s;
}

// The reader puts the command label's value on command bits 11..0 whatever the label's width, so
// it is written as the whole 12-bit command field. A group type 5 label over a channel bit cannot
// be carried that way: it is written as a data label, which the name rule then refuses.
bool onCommandBitsOnly(const LabelTable& labels, LabelSpan span) {
    for (int k = 0; k < span.count; ++k)
        if (labels[span.first + k].bitIndex >= firstChannelBit) return false;
    return true;
}

Msg prepareLabels(const LabelTable& labels, std::vector<PreparedLabel>& prepared, std::string& refusedLabel) {
    const int end = labelRecordCount(labels);
    std::uint64_t usedBits = 0;
    for (int i = 0; i < end; ++i) {
        if (!validBitIndex(labels[i].bitIndex)) return Msg::ChannelNumberTooBig;
        std::uint64_t bit = std::uint64_t{1} << labels[i].bitIndex;
        if (usedBits & bit) return Msg::NoDuplicateChannel;
        usedBits |= bit;
    }
    Msg result = Msg::None;
    forEachLabel(labels, [&](LabelSpan span) {
        PreparedLabel p;
        const LabelRecord& head = labels[span.first];
        p.name = statementName(head.name);
        p.command = isCommandLabel(head) && onCommandBitsOnly(labels, span);
        // "QV_Function" names the command field when read back: a data label cannot carry it.
        if (!p.command && p.name == commandLabelName && result == Msg::None) {
            result = Msg::DataLabelNamedQvFunction;
            refusedLabel.assign(head.name, strnlen(head.name, labelNameBytes));
        }
        if (p.command) {
            for (int bit = commandBits - 1; bit >= 0; --bit) p.bits.push_back(bit);
        } else {
            for (int k = 0; k < span.count; ++k) p.bits.push_back(labels[span.first + k].bitIndex);
        }
        const int w = static_cast<int>(p.bits.size());
        switch (p.command ? GroupType::Command : static_cast<GroupType>(head.groupType)) {
        case GroupType::Dec: p.form = Form::Dec, p.digits = decimalWidths[w]; break;
        case GroupType::Oct: p.form = Form::Oct, p.digits = (w + 2) / 3, p.suffix = 'o'; break;
        case GroupType::Bin: p.form = Form::Bin, p.digits = w, p.suffix = 'b'; break;
        default: p.form = Form::Hex, p.digits = (w + 3) / 4, p.suffix = 'h'; break;
        }
        if (w == 1) p.form = Form::Bit, p.digits = 1, p.suffix = 0;
        for (const PreparedLabel& other : prepared) {
            if (other.name == p.name && result == Msg::None) {
                result = Msg::DuplicateLabelName;
                refusedLabel.assign(head.name, strnlen(head.name, labelNameBytes));
            }
        }
        prepared.push_back(std::move(p));
    });
    return result;
}

// Appends value in the label's form, then its suffix and a blank.
char* formatValue(char* out, std::uint64_t value, const PreparedLabel& label) {
    char* end = out + label.digits;
    char* p = end;
    switch (label.form) {
    case Form::Bit: *--p = static_cast<char>('0' + (value & 1)); break;
    case Form::Dec:
        do {
            *--p = static_cast<char>('0' + value % 10);
            value /= 10;
        } while (value != 0 && p > out);
        while (p > out) *--p = ' ';
        break;
    case Form::Oct:
        while (p > out) *--p = static_cast<char>('0' + (value & 7)), value >>= 3;
        break;
    case Form::Bin:
        while (p > out) *--p = static_cast<char>('0' + (value & 1)), value >>= 1;
        break;
    case Form::Hex:
        while (p > out) *--p = "0123456789ABCDEF"[value & 15], value >>= 4;
        break;
    }
    if (label.suffix) *end++ = label.suffix;
    *end++ = ' ';
    return end;
}

char* formatIndex(char* out, int index) {
    char digits[12];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + index % 10);
        index /= 10;
    } while (index != 0);
    for (int i = n; i < 5; ++i) *out++ = '0';
    while (n > 0) *out++ = digits[--n];
    return out;
}

Msg writeText(const Document& doc, int cardType, Sink& sink, std::string& refusedLabel) {
    std::vector<PreparedLabel> labels;
    std::string block;
    try {
        if (Msg m = prepareLabels(doc.labels(), labels, refusedLabel); m != Msg::None) return m;
        block.reserve(blockBytes + 4096);
    } catch (const std::bad_alloc&) {
        return Msg::MemoryNotEnough;
    }

    block += "INPUTS";
    for (const PreparedLabel& l : labels) block += ' ' + l.name;
    block += ";\r\n";
    for (const PreparedLabel& l : labels) {
        if (l.command) continue;
        std::vector<int> channels;
        for (int bit : l.bits) channels.push_back(bit - firstChannelBit);
        std::string list = channelListText(channels);
        if (list.size() > channelListTextBytes - 1) return Msg::FileCanNotCreate;
        block += "ASSIGN " + l.name + ' ' + list + ";\r\n";
    }
    block += "RADIX AUTO;\r\n";
    const OutputSettings& out = doc.output();
    block += "FREQUENCYMODE ";
    block += frequencyModeName(out.frequencyMode);
    block += ";\r\n";
    // A base frequency of 0 or less (only from a damaged .qvw) has no frequency text that reads back;
    // the statement is left out so that the file can still be opened.
    if (!externalClockOnly(out.frequencyMode, cardType) && out.baseFrequency > 0)
        block += "FREQUENCY " + frequencyText(out.baseFrequency) + ";\r\n";
    block += "PATTERN\r\n";

    // The longest line: every label's digits, suffix and blank, the comment and a mnemonic.
    std::size_t longestLine = 64;
    for (const PreparedLabel& l : labels) longestLine += static_cast<std::size_t>(l.digits) + 2;
    const Sample* image = doc.image();
    const int lines = qvvPatternLines(doc);
    // Without a command label the command bits are nobody's value: no mnemonics either.
    const bool listCommands =
        std::any_of(labels.begin(), labels.end(), [](const PreparedLabel& l) { return l.command; });
    ListingDecoder listing;
    std::vector<char> line(longestLine);
    for (int i = 0; i < lines; ++i) {
        const Sample s = image[i];
        char* p = line.data();
        for (const PreparedLabel& l : labels) {
            std::uint64_t value = 0;
            for (int bit : l.bits) value = value << 1 | ((s >> bit) & 1u);
            p = formatValue(p, value, l);
        }
        std::memcpy(p, "\t// ", 4);
        p = formatIndex(p + 4, i);
        *p++ = ':';
        *p++ = '\t';
        if (listCommands) {
            MnemonicText mnemonic = listing.next(commandField(s));
            std::memcpy(p, mnemonic.text, mnemonic.length);
            p += mnemonic.length;
        }
        *p++ = '\r';
        *p++ = '\n';
        block.append(line.data(), static_cast<std::size_t>(p - line.data()));
        if (block.size() >= blockBytes) {
            if (!sink.write(block.data(), block.size())) return Msg::FileCanNotCreate;
            block.clear();
        }
    }
    block += ';';
    if (!sink.write(block.data(), block.size())) return Msg::FileCanNotCreate;
    return Msg::None;
}

} // namespace

int qvvPatternLines(const Document& doc) {
    const Sample* image = doc.image();
    const int n = doc.usableSamples();
    if (n <= 0) return 0;
    const Sample last = image[n - 1];
    int i = n - 1;
    while (i > 0 && image[i - 1] == last) --i;
    return i + 1; // samples 0 .. first sample of the final constant run
}

Msg qvvText(const Document& doc, int cardType, std::string& text, std::string* refusedLabel) {
    text.clear();
    StringSink sink(text);
    std::string label;
    try {
        Msg m = writeText(doc, cardType, sink, label);
        if (refusedLabel) *refusedLabel = label;
        return m;
    } catch (const std::bad_alloc&) {
        return Msg::MemoryNotEnough;
    }
}

Msg saveQvv(const std::string& path, const Document& doc, int cardType, std::string* refusedLabel) {
    ReplacingFileWriter file;
    if (!file.open(path)) return Msg::CantOpenFile;
    FileSink sink(file);
    Msg m;
    std::string label;
    try {
        m = writeText(doc, cardType, sink, label);
    } catch (const std::bad_alloc&) {
        m = Msg::MemoryNotEnough;
    }
    if (refusedLabel) *refusedLabel = label;
    if (m != Msg::None) return m; // the writer's destructor removes the temporary file
    return file.commit() ? Msg::None : Msg::FileCanNotCreate;
}

} // namespace qv
