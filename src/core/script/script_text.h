// The script tool's text: a schedule held as lines, loaded with its line ends made CR LF and its
// tabs expanded, edited at a caret by keys and characters, and bounded by the tool's buffer of
// 65,536 bytes (the text with its CR LF pairs and a closing NUL). The caret and the view (top
// line, caret line, column, sideways scroll) move by the keys' rules here; the window only draws
// the lines and places its caret. Nothing here knows of windows.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

inline constexpr std::size_t scriptBufferBytes = 65536;
inline constexpr int scriptTabWidth = 8;
inline constexpr int defaultScriptListHeight = 50; // pixels of the list pane when SCRIPT.VAR is missing

// The files of the working directory: the schedule and the list pane's height.
inline constexpr char scheduleFileName[] = "SCHEDULE.TXT";
inline constexpr char scriptVariablesFileName[] = "SCRIPT.VAR";
// The schedule as the editor shows it: up to 65,536 bytes of the file, normalised; empty when missing.
std::string readScheduleText(const std::string& path);
// The list pane's height: the file's 4-byte value, 50 when the file is missing or not 4 bytes long
// or holds a negative value.
int readScriptListHeight(const std::string& path);
bool writeScriptListHeight(const std::string& path, int height);

// Every line ended by CR LF (a lone LF or a lone CR ends a line too), every tab replaced by blanks
// up to the next multiple of 8 columns; cut so that the text and its NUL fit the buffer.
std::string normaliseScriptText(std::string_view raw);

// Where the caret is and what the view shows: line = topLine + caretLine.
struct ScriptCaret {
    int topLine = 0;
    int caretLine = 0; // offset from the top line
    int column = 0; // caret column within the view (the text column less scrollColumn)
    int scrollColumn = 0;
    int line() const { return topLine + caretLine; }
    int textColumn() const { return scrollColumn + column; }
    bool operator==(const ScriptCaret&) const = default;
};

// The view's size in whole lines and columns.
struct ScriptViewSize {
    int lines = 1;
    int columns = 1;
};

class ScriptText {
  public:
    explicit ScriptText(std::string_view normalised = {});

    const std::vector<std::string>& lines() const { return lines_; }
    int lineCount() const { return static_cast<int>(lines_.size()); }
    // The whole text with CR LF after every line, as it would be written.
    std::string text() const;
    // Bytes the text takes in the buffer, its NUL included.
    std::size_t bufferBytes() const;

    // Editing at a text position; each returns false (and changes nothing) when the change would
    // overflow the buffer or has nothing to act on. Columns beyond a line's end act at its end.
    bool typeCharacter(int line, int column, char character, bool overwrite);
    bool insertTab(int line, int& column); // blanks to the next multiple of 8; column moves past them
    bool splitLine(int line, int column); // Enter
    bool deleteAt(int line, int column); // Delete: the character at the caret; at a line's end the line break
    // Backspace: one column left and delete the character there; at the start of a line to the end
    // of the previous line (joining the two). line and column move to where the caret goes.
    bool backspace(int& line, int& column);

    // Home: the first non-blank column, or 0 when the caret is already there or the line is blank.
    int homeColumn(int line, int column) const;

  private:
    std::vector<std::string> lines_;
};

enum class ScriptKey { Tab, PageUp, PageDown, Home, End, Left, Right, Up, Down, Insert, Delete, Other };

struct ScriptKeyOutcome {
    bool changed = false; // the text changed
    bool beep = false; // refused: the buffer is full
    bool toggleInsert = false;
};

// A key (0x500) at the caret: moves it and the view, or edits (Tab, Delete).
ScriptKeyOutcome applyScriptKey(ScriptText& text, ScriptCaret& caret, ScriptKey key, bool ctrl, ScriptViewSize view);
// A character (0x502): Backspace, Enter or a printable character; Tab and Esc are ignored.
ScriptKeyOutcome applyScriptCharacter(ScriptText& text, ScriptCaret& caret, char character, bool insertMode,
                                      ScriptViewSize view);

// The caret placed at a line and text column, the view scrolled just enough to show it.
void placeScriptCaret(ScriptCaret& caret, int line, int column, ScriptViewSize view);

} // namespace qv
