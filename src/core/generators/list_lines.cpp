// The list lines of the list-based generators. Every reader here is bounded by the line it reads:
// a missing field, a value too wide or a stray character gives nullopt, never a read past the text.
#include "generators/list_lines.h"

#include <algorithm>

namespace qv::gen {
namespace {

constexpr std::size_t problemTextLength = 60;

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::optional<std::uint64_t> digitsValue(std::string_view value, std::uint64_t maximum, int radix) {
    value = trimmed(value);
    if (value.empty()) return std::nullopt;
    std::uint64_t n = 0;
    for (char c : value) {
        const int digit = hexDigit(c);
        if (digit < 0 || digit >= radix) return std::nullopt;
        const auto d = static_cast<std::uint64_t>(digit);
        if (d > maximum || n > (maximum - d) / static_cast<std::uint64_t>(radix)) return std::nullopt; // above maximum
        n = n * static_cast<std::uint64_t>(radix) + d;
    }
    return n;
}

} // namespace

std::optional<std::string_view> lineField(std::string_view line, std::string_view name) {
    for (std::size_t at = line.find(name); at != std::string_view::npos; at = line.find(name, at + 1)) {
        const bool starts = at == 0 || line[at - 1] == ' ' || line[at - 1] == ',';
        const std::size_t after = at + name.size();
        if (!starts || line.substr(after, 2) != " =") continue;
        const std::size_t from = std::min(after + 3, line.size()); // two characters after "="
        const std::size_t to = line.find_first_of(",.", from);
        return line.substr(from, (to == std::string_view::npos ? line.size() : to) - from);
    }
    return std::nullopt;
}

std::optional<std::uint64_t> decimalValue(std::string_view value, std::uint64_t maximum) {
    return digitsValue(value, maximum, 10);
}

std::optional<std::uint64_t> hexValue(std::string_view value, std::uint64_t maximum) {
    return digitsValue(value, maximum, 16);
}

std::optional<std::vector<std::uint8_t>> hexBytes(std::string_view value, std::size_t maximumCount) {
    std::vector<std::uint8_t> bytes;
    std::size_t i = 0;
    while (i < value.size()) {
        if (isBlank(value[i])) {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < value.size() && !isBlank(value[end])) ++end;
        if (end - i > 2 || bytes.size() == maximumCount) return std::nullopt;
        const auto byte = hexValue(value.substr(i, end - i), 0xFF);
        if (!byte) return std::nullopt;
        bytes.push_back(static_cast<std::uint8_t>(*byte));
        i = end;
    }
    return bytes;
}

std::string listExportText(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    return text;
}

std::vector<std::string> splitListText(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) end = text.size();
        if (end > start) lines.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

std::vector<std::string> lineCells(std::string_view line, int columns) {
    std::vector<std::string> cells;
    std::size_t at = 0;
    for (int c = 0; c + 1 < columns; ++c) {
        while (at < line.size() && isBlank(line[at])) ++at;
        std::size_t end = at;
        while (end < line.size() && !isBlank(line[end])) ++end;
        cells.emplace_back(line.substr(at, end - at));
        at = end;
    }
    if (columns > 0) cells.emplace_back(trimmed(line.substr(at)));
    return cells;
}

std::string cellsLine(const std::vector<std::string>& cells) {
    std::string line;
    for (const std::string& cell : cells) line += cell + ' ';
    return line;
}

std::string listProblemText(const ListProblem& problem, const std::vector<std::string>& lines) {
    std::string text = std::to_string(problem.line);
    if (problem.line >= 1 && problem.line <= static_cast<int>(lines.size())) {
        const std::string& line = lines[static_cast<std::size_t>(problem.line - 1)];
        text += " (" + line.substr(0, problemTextLength) + (line.size() > problemTextLength ? "...)" : ")");
    }
    return text;
}

ListEntry entryAt(const std::vector<std::string>& lines, int index, const ContinuationTest& continues) {
    const int size = static_cast<int>(lines.size());
    if (index < 0 || index >= size) return {size, 0};
    int first = index;
    while (first > 0 && continues(lines[static_cast<std::size_t>(first)])) --first;
    int end = first + 1;
    while (end < size && continues(lines[static_cast<std::size_t>(end)])) ++end;
    return {first, end - first};
}

int placeEntry(std::vector<std::string>& lines, const std::vector<std::string>& entry, ListPlacement placement,
               int selected, const ContinuationTest& continues) {
    const ListEntry at = entryAt(lines, selected, continues);
    int position = static_cast<int>(lines.size());
    if (placement != ListPlacement::Add && at.count > 0) {
        position = placement == ListPlacement::InsertAfter ? at.first + at.count : at.first;
        if (placement == ListPlacement::Modify)
            lines.erase(lines.begin() + at.first, lines.begin() + at.first + at.count);
    }
    lines.insert(lines.begin() + position, entry.begin(), entry.end());
    return position;
}

int deleteEntry(std::vector<std::string>& lines, int selected, const ContinuationTest& continues) {
    const ListEntry at = entryAt(lines, selected, continues);
    if (at.count == 0) return -1;
    lines.erase(lines.begin() + at.first, lines.begin() + at.first + at.count);
    if (lines.empty()) return -1;
    return std::min(at.first, static_cast<int>(lines.size()) - 1);
}

} // namespace qv::gen
