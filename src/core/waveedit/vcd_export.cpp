// Document to VCD: the labels become variables, each sample's label values are compared with the
// previous sample's and only changed ones are written.
#include "waveedit/vcd_export.h"

#include "support/file_io.h"
#include "support/vcd_names.h"
#include "waveedit/labels.h"
#include "waveedit/qvw_file.h"

#include <cstring>
#include <vector>

namespace qv {
namespace {

struct Variable {
    std::string id;
    std::vector<int> bits; // most significant first
};

std::uint64_t valueOf(Sample s, const Variable& v) {
    std::uint64_t value = 0;
    for (int bit : v.bits) value = (value << 1) | ((s >> bit) & 1u);
    return value;
}

void appendTime(std::string& out, std::uint64_t time) {
    out.push_back('#');
    out += std::to_string(time);
    out.push_back('\n');
}

void appendValue(std::string& out, std::uint64_t value, const Variable& v) {
    const int width = static_cast<int>(v.bits.size());
    if (width == 1) {
        out.push_back(static_cast<char>('0' + (value & 1)));
    } else {
        out.push_back('b');
        for (int k = width - 1; k >= 0; --k) out.push_back(static_cast<char>('0' + ((value >> k) & 1)));
        out.push_back(' ');
    }
    out += v.id;
    out.push_back('\n');
}

} // namespace

std::string vcdReferenceName(const LabelRecord& head, int row) {
    std::string name(head.name, strnlen(head.name, labelNameBytes));
    for (char& c : name)
        if (c <= ' ' || c >= 0x7F) c = '_';
    // A reference beginning with '$' would read as a keyword ("$end" closes the $var early).
    if (!name.empty() && name.front() == '$') name.front() = '_';
    return name.empty() ? "label" + std::to_string(row) : name;
}

Msg exportVcd(const std::string& path, const Document& doc) {
    // Without a clock the samples have no time to be placed at.
    if (doc.output().baseFrequency <= 0) return Msg::VcdExportNeedsFrequency;
    const LabelTable& labels = doc.labels();
    std::vector<Variable> variables;
    std::string text = "$version QV waveform $end\n";
    const VcdTimescale scale = vcdTimescale(doc.output().baseFrequency);
    text += "$comment base frequency ";
    text += std::to_string(doc.output().baseFrequency);
    text += " Hz $end\n$timescale ";
    text += scale.unit;
    text += " $end\n$scope module qv $end\n";
    int row = 0;
    forEachLabel(labels, [&](LabelSpan span) {
        ++row;
        const LabelRecord& head = labels[span.first];
        if (isCommandLabel(head)) return;
        Variable v;
        for (int k = 0; k < span.count; ++k) {
            const int bit = labels[span.first + k].bitIndex;
            if (bit >= firstChannelBit && bit <= highestBitIndex) v.bits.push_back(bit);
        }
        if (v.bits.empty()) return;
        v.id = vcdIdentifier(static_cast<int>(variables.size()));
        text += "$var wire ";
        text += std::to_string(v.bits.size());
        text.push_back(' ');
        text += v.id;
        text.push_back(' ');
        text += vcdReferenceName(head, row);
        if (v.bits.size() > 1) {
            text += " [";
            text += std::to_string(v.bits.size() - 1);
            text += ":0]";
        }
        text += " $end\n";
        variables.push_back(std::move(v));
    });
    text += "$upscope $end\n$enddefinitions $end\n";

    const int count = qvwSampleCount(doc);
    const std::span<const Sample> image = doc.usableImage().first(static_cast<std::size_t>(count));
    std::vector<std::uint64_t> last(variables.size());
    for (int i = 0; i < count; ++i) {
        const Sample s = image[static_cast<std::size_t>(i)];
        bool stamped = false;
        for (std::size_t n = 0; n < variables.size(); ++n) {
            const std::uint64_t value = valueOf(s, variables[n]);
            if (i > 0 && value == last[n]) continue;
            if (!stamped) {
                appendTime(text, static_cast<std::uint64_t>(i) * scale.unitsPerSample);
                if (i == 0) text += "$dumpvars\n";
                stamped = true;
            }
            appendValue(text, value, variables[n]);
            last[n] = value;
        }
        if (i == 0) text += stamped ? "$end\n" : "#0\n";
    }
    appendTime(text, static_cast<std::uint64_t>(count) * scale.unitsPerSample);

    ReplacingFileWriter writer;
    if (!writer.open(path)) return Msg::FileCanNotCreate;
    if (!writer.write(text.data(), text.size()) || !writer.commit()) return Msg::FileCanNotCreate;
    return Msg::None;
}

} // namespace qv
