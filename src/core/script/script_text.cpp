// Lines are kept apart, so an edit touches one line; the buffer limit is checked against the
// whole text's size (CR LF between lines, a NUL at the end) before anything changes.
#include "script/script_text.h"

#include "support/little_endian.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>

namespace qv {
namespace {

constexpr char carriageReturn = '\r';
constexpr char lineFeed = '\n';
constexpr char backspaceCharacter = '\b';
constexpr char escapeCharacter = 0x1B;
constexpr char tabCharacter = '\t';
constexpr std::size_t lineBreakBytes = 2;
constexpr std::size_t largestText = scriptBufferBytes - 1; // the NUL takes the last byte

int blanksToNextTab(int column) { return scriptTabWidth - column % scriptTabWidth; }

int clampColumn(const std::string& line, int column) {
    return std::clamp(column, 0, static_cast<int>(line.size()));
}

} // namespace

std::string readScheduleText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    std::string raw(scriptBufferBytes, '\0');
    in.read(raw.data(), static_cast<std::streamsize>(raw.size()));
    raw.resize(static_cast<std::size_t>(in.gcount()));
    return normaliseScriptText(raw);
}

int readScriptListHeight(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::uint8_t bytes[5] = {};
    in.read(reinterpret_cast<char*>(bytes), sizeof bytes);
    if (in.gcount() != 4) return defaultScriptListHeight;
    const std::int32_t height = readLe32(bytes, 0);
    return height < 0 ? defaultScriptListHeight : height;
}

bool writeScriptListHeight(const std::string& path, int height) {
    std::uint8_t bytes[4] = {};
    writeLe32(bytes, 0, static_cast<std::int32_t>(height));
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes), sizeof bytes);
    return static_cast<bool>(out);
}

std::string normaliseScriptText(std::string_view raw) {
    std::string text;
    text.reserve(std::min(raw.size() + raw.size() / 8, largestText));
    int column = 0;
    for (std::size_t i = 0; i < raw.size() && text.size() < largestText; ++i) {
        const char c = raw[i];
        if (c == carriageReturn || c == lineFeed) {
            if (c == carriageReturn && i + 1 < raw.size() && raw[i + 1] == lineFeed) ++i;
            if (text.size() + lineBreakBytes > largestText) break;
            text += "\r\n";
            column = 0;
        } else if (c == tabCharacter) {
            const int blanks = blanksToNextTab(column);
            text.append(std::min<std::size_t>(static_cast<std::size_t>(blanks), largestText - text.size()), ' ');
            column += blanks;
        } else {
            text += c;
            ++column;
        }
    }
    return text;
}

ScriptText::ScriptText(std::string_view normalised) {
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = normalised.find("\r\n", start);
        if (end == std::string_view::npos) {
            lines_.emplace_back(normalised.substr(start));
            break;
        }
        lines_.emplace_back(normalised.substr(start, end - start));
        start = end + lineBreakBytes;
    }
}

std::string ScriptText::text() const {
    std::string out;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (i > 0) out += "\r\n";
        out += lines_[i];
    }
    return out;
}

std::size_t ScriptText::bufferBytes() const {
    std::size_t bytes = 1 + (lines_.size() - 1) * lineBreakBytes;
    for (const std::string& line : lines_) bytes += line.size();
    return bytes;
}

bool ScriptText::typeCharacter(int line, int column, char character, bool overwrite) {
    if (line < 0 || line >= lineCount()) return false;
    std::string& text = lines_[static_cast<std::size_t>(line)];
    const auto at = static_cast<std::size_t>(clampColumn(text, column));
    if (overwrite && at < text.size()) {
        text[at] = character;
        return true;
    }
    if (bufferBytes() + 1 > scriptBufferBytes) return false;
    text.insert(at, 1, character);
    return true;
}

bool ScriptText::insertTab(int line, int& column) {
    if (line < 0 || line >= lineCount()) return false;
    std::string& text = lines_[static_cast<std::size_t>(line)];
    column = clampColumn(text, column);
    const int blanks = blanksToNextTab(column);
    if (bufferBytes() + static_cast<std::size_t>(blanks) > scriptBufferBytes) return false;
    text.insert(static_cast<std::size_t>(column), static_cast<std::size_t>(blanks), ' ');
    column += blanks;
    return true;
}

bool ScriptText::splitLine(int line, int column) {
    if (line < 0 || line >= lineCount() || bufferBytes() + lineBreakBytes > scriptBufferBytes) return false;
    std::string& text = lines_[static_cast<std::size_t>(line)];
    const auto at = static_cast<std::size_t>(clampColumn(text, column));
    std::string rest = text.substr(at);
    text.erase(at);
    lines_.insert(lines_.begin() + line + 1, std::move(rest));
    return true;
}

bool ScriptText::deleteAt(int line, int column) {
    if (line < 0 || line >= lineCount()) return false;
    std::string& text = lines_[static_cast<std::size_t>(line)];
    const auto at = static_cast<std::size_t>(clampColumn(text, column));
    if (at < text.size()) {
        text.erase(at, 1);
        return true;
    }
    if (line + 1 >= lineCount()) return false;
    text += lines_[static_cast<std::size_t>(line) + 1];
    lines_.erase(lines_.begin() + line + 1);
    return true;
}

bool ScriptText::backspace(int& line, int& column) {
    if (line < 0 || line >= lineCount()) return false;
    column = clampColumn(lines_[static_cast<std::size_t>(line)], column);
    if (column > 0) {
        --column;
        return deleteAt(line, column);
    }
    if (line == 0) return false;
    --line;
    column = static_cast<int>(lines_[static_cast<std::size_t>(line)].size());
    return deleteAt(line, column);
}

int ScriptText::homeColumn(int line, int column) const {
    if (line < 0 || line >= lineCount()) return 0;
    const std::string& text = lines_[static_cast<std::size_t>(line)];
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return 0;
    return static_cast<int>(first) == column ? 0 : static_cast<int>(first);
}

// ---- caret and keys ------------------------------------------------------------------------------

void placeScriptCaret(ScriptCaret& caret, int line, int column, ScriptViewSize view) {
    const int lines = std::max(view.lines, 1), columns = std::max(view.columns, 1);
    line = std::max(line, 0);
    column = std::max(column, 0);
    if (line < caret.topLine) caret.topLine = line;
    if (line >= caret.topLine + lines) caret.topLine = line - lines + 1;
    caret.caretLine = line - caret.topLine;
    if (column < caret.scrollColumn) caret.scrollColumn = column;
    if (column >= caret.scrollColumn + columns) caret.scrollColumn = column - columns + 1;
    caret.column = column - caret.scrollColumn;
}

ScriptKeyOutcome applyScriptKey(ScriptText& text, ScriptCaret& caret, ScriptKey key, bool ctrl, ScriptViewSize view) {
    ScriptKeyOutcome out;
    const int last = text.lineCount() - 1;
    const int line = std::min(caret.line(), last);
    const auto lineText = [&](int l) -> const std::string& { return text.lines()[static_cast<std::size_t>(l)]; };
    const auto lengthOf = [&](int l) { return static_cast<int>(lineText(l).size()); };
    const int column = std::min(caret.textColumn(), lengthOf(line));
    const int page = std::max(view.lines, 1);
    switch (key) {
    case ScriptKey::Tab: {
        int moved = column;
        out.changed = text.insertTab(line, moved);
        out.beep = !out.changed;
        if (out.changed) placeScriptCaret(caret, line, moved, view);
        return out;
    }
    case ScriptKey::PageUp: {
        const int target = std::max(line - page, 0);
        caret.topLine = std::max(caret.topLine - page, 0);
        placeScriptCaret(caret, target, std::min(column, lengthOf(target)), view);
        return out;
    }
    case ScriptKey::PageDown: {
        const int target = std::min(line + page, last);
        caret.topLine = std::min(caret.topLine + page, last);
        placeScriptCaret(caret, target, std::min(column, lengthOf(target)), view);
        return out;
    }
    case ScriptKey::Home:
        if (ctrl)
            placeScriptCaret(caret, 0, 0, view);
        else
            placeScriptCaret(caret, line, text.homeColumn(line, column), view);
        return out;
    case ScriptKey::End:
        if (ctrl)
            placeScriptCaret(caret, last, lengthOf(last), view);
        else
            placeScriptCaret(caret, line, lengthOf(line), view);
        return out;
    case ScriptKey::Left: placeScriptCaret(caret, line, std::max(column - 1, 0), view); return out;
    case ScriptKey::Right: placeScriptCaret(caret, line, std::min(column + 1, lengthOf(line)), view); return out;
    case ScriptKey::Up:
        if (ctrl) {
            // The view moves up one line; the caret keeps its text line while it stays in view.
            if (caret.topLine > 0) --caret.topLine;
            placeScriptCaret(caret, std::min(line, caret.topLine + page - 1), column, view);
            return out;
        }
        if (line > 0) placeScriptCaret(caret, line - 1, std::min(column, lengthOf(line - 1)), view);
        return out;
    case ScriptKey::Down:
        if (line < last) placeScriptCaret(caret, line + 1, std::min(column, lengthOf(line + 1)), view);
        return out;
    case ScriptKey::Insert: out.toggleInsert = true; return out;
    case ScriptKey::Delete: out.changed = text.deleteAt(line, column); return out;
    case ScriptKey::Other: return out;
    }
    return out;
}

ScriptKeyOutcome applyScriptCharacter(ScriptText& text, ScriptCaret& caret, char character, bool insertMode,
                                      ScriptViewSize view) {
    ScriptKeyOutcome out;
    const int line = std::min(caret.line(), text.lineCount() - 1);
    const int column = std::min(caret.textColumn(), static_cast<int>(text.lines()[static_cast<std::size_t>(line)].size()));
    if (character == tabCharacter || character == escapeCharacter || character == lineFeed) return out;
    if (character == backspaceCharacter) {
        int newLine = line, newColumn = column;
        out.changed = text.backspace(newLine, newColumn);
        if (out.changed) placeScriptCaret(caret, newLine, newColumn, view);
        return out;
    }
    if (character == carriageReturn) {
        out.changed = text.splitLine(line, column);
        out.beep = !out.changed;
        if (out.changed) {
            caret.scrollColumn = 0;
            placeScriptCaret(caret, line + 1, 0, view);
        }
        return out;
    }
    if (static_cast<unsigned char>(character) < 0x20) return out;
    out.changed = text.typeCharacter(line, column, character, !insertMode);
    out.beep = !out.changed;
    if (out.changed) placeScriptCaret(caret, line, column + 1, view);
    return out;
}

} // namespace qv
