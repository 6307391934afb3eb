// The script tool's text rules: loading, the edits at the caret, the keys' moves, the buffer limit.
#include "script/script_text.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

constexpr ScriptViewSize view{10, 40};

TEST(ScriptText, LoadingEndsEveryLineInCrLfAndExpandsTabsToMultiplesOfEight) {
    EXPECT_EQ(normaliseScriptText("ab\r\ncd\nef\rgh"), "ab\r\ncd\r\nef\r\ngh");
    EXPECT_EQ(normaliseScriptText("abc\tX\n\tY"), "abc     X\r\n        Y");
    const ScriptText text(normaliseScriptText("one\ntwo\n"));
    EXPECT_EQ(text.lineCount(), 3); // the last line break leaves an empty last line
    EXPECT_EQ(text.text(), "one\r\ntwo\r\n");
    EXPECT_EQ(ScriptText("").lineCount(), 1);
}

TEST(ScriptText, CharactersEditAtTheCaret) {
    ScriptText text("  abc\r\ndef");
    ScriptCaret caret;
    placeScriptCaret(caret, 0, 3, view);
    applyScriptCharacter(text, caret, 'X', true, view);
    EXPECT_EQ(text.lines()[0], "  aXbc");
    applyScriptCharacter(text, caret, 'Y', false, view); // overwrite replaces the character under the caret
    EXPECT_EQ(text.lines()[0], "  aXYc");
    applyScriptCharacter(text, caret, '\r', true, view); // Enter splits the line
    EXPECT_EQ(text.text(), "  aXY\r\nc\r\ndef");
    EXPECT_EQ(caret.line(), 1);
    EXPECT_EQ(caret.textColumn(), 0);
    applyScriptCharacter(text, caret, '\b', true, view); // Backspace at a line start joins the lines
    EXPECT_EQ(text.text(), "  aXYc\r\ndef");
    EXPECT_EQ(caret, (ScriptCaret{0, 0, 5, 0}));
    applyScriptKey(text, caret, ScriptKey::Delete, false, view);
    EXPECT_EQ(text.text(), "  aXY\r\ndef");
    applyScriptKey(text, caret, ScriptKey::Delete, false, view); // at the end: the line break
    EXPECT_EQ(text.text(), "  aXYdef");
}

TEST(ScriptText, KeysMoveTheCaretWithoutWrappingAndScrollTheView) {
    ScriptText text("  abc\r\nd\r\n\r\nlast");
    ScriptCaret caret;
    placeScriptCaret(caret, 0, 4, view);
    applyScriptKey(text, caret, ScriptKey::Home, false, view);
    EXPECT_EQ(caret.textColumn(), 2); // the first non-blank column
    applyScriptKey(text, caret, ScriptKey::Home, false, view);
    EXPECT_EQ(caret.textColumn(), 0); // already there: column 0
    applyScriptKey(text, caret, ScriptKey::Tab, false, view);
    EXPECT_EQ(text.lines()[0], "          abc"); // column 0 to 8
    EXPECT_EQ(caret.textColumn(), 8);
    applyScriptKey(text, caret, ScriptKey::Down, false, view);
    EXPECT_EQ(caret.line(), 1);
    EXPECT_EQ(caret.textColumn(), 1); // held to the shorter line
    applyScriptKey(text, caret, ScriptKey::Right, false, view);
    EXPECT_EQ(caret.line(), 1); // no wrap
    applyScriptKey(text, caret, ScriptKey::End, true, view);
    EXPECT_EQ(caret.line(), 3);
    EXPECT_EQ(caret.textColumn(), 4);
    applyScriptKey(text, caret, ScriptKey::PageUp, false, ScriptViewSize{2, 40});
    applyScriptKey(text, caret, ScriptKey::PageUp, false, ScriptViewSize{2, 40});
    EXPECT_EQ(caret.line(), 0); // stops at the first line
    EXPECT_EQ(caret.topLine, 0);
}

TEST(ScriptText, AFullBufferRefusesWhatWouldGrowTheText) {
    ScriptText text(std::string(scriptBufferBytes - 1, 'a'));
    ASSERT_EQ(text.bufferBytes(), scriptBufferBytes);
    ScriptCaret caret;
    EXPECT_TRUE(applyScriptCharacter(text, caret, 'b', true, view).beep);
    EXPECT_TRUE(applyScriptCharacter(text, caret, '\r', true, view).beep);
    EXPECT_TRUE(applyScriptKey(text, caret, ScriptKey::Tab, false, view).beep);
    EXPECT_EQ(text.bufferBytes(), scriptBufferBytes);
    EXPECT_TRUE(applyScriptCharacter(text, caret, 'b', false, view).changed); // overwriting does not grow it
    EXPECT_EQ(text.lines()[0][0], 'b');
    EXPECT_EQ(normaliseScriptText(std::string(scriptBufferBytes + 10, 'x')).size(), scriptBufferBytes - 1);
}

} // namespace
} // namespace qv
