// Waveform Check over small images: which problems, in which order, at which samples.
#include "waveedit/waveform_check.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace qv {
namespace {

constexpr int usable = 100; // samples 0..87 are checked; targets must lie below 88

using Placement = std::pair<int, std::vector<unsigned>>;

std::vector<Sample> imageWith(std::initializer_list<Placement> placements) {
    std::vector<Sample> image(usable, channelBit(0));
    for (const auto& [at, words] : placements)
        for (std::size_t j = 0; j < words.size(); ++j) image[at + j] = withCommand(image[at + j], words[j]);
    return image;
}

// "12048@5" per problem, joined by blanks.
std::string problems(const std::vector<Sample>& image, std::size_t limit = 100) {
    std::string out;
    for (const CheckProblem& p : checkWaveform(image, usable, limit)) {
        if (!out.empty()) out += ' ';
        out += std::to_string(static_cast<int>(p.message)) + "@" + std::to_string(p.sample);
    }
    return out;
}

std::vector<unsigned> jump(int target, unsigned opcodeWord = 0x100) {
    const unsigned a = static_cast<unsigned>(target + 12);
    return {0x800 | (a & 0xFF), 0x200 | ((a >> 8) & 0xFF), opcodeWord | ((a >> 16) & 0xFF)};
}

TEST(WaveformCheck, ProblemsInScanOrder) {
    struct Case {
        const char* name;
        std::vector<Sample> image;
        const char* expected;
    };
    const Case cases[] = {
        {"clean", imageWith({{0, {0x600}}, {2, {0x700}}, {40, jump(20)}, {60, {0x2FF, 0x4FE}}}), ""},
        {"low operand then NP", imageWith({{5, {0x800}}}), "12048@5"},
        {"operand pair then NP", imageWith({{5, {0x820, 0x200}}}), "12048@5 12048@6"},
        {"opcode without operands", imageWith({{5, {0x100}}}), "12048@5"},
        {"LC without its middle byte", imageWith({{5, {0x4FE}}}), "12048@5"},
        {"invalid opcodes", imageWith({{5, {0xA00}}, {9, {0xD00}}, {13, {0xF11}}}), "12048@5 12048@9 12048@13"},
        {"command right after SE", imageWith({{10, {0x609, 0x700}}}), "12071@10"},
        {"SE then a gap", imageWith({{10, {0x609}}, {12, {0x700}}}), ""},
        {"command 3 after WE", imageWith({{10, {0x700}}, {13, {0x600}}}), "12069@10"},
        {"command 4 after WE", imageWith({{10, {0x700}}, {14, {0x600}}}), ""},
        {"command 4 after OE", imageWith({{10, {0x8FF, 0x2FF, 0x900}}, {16, {0x700}}}), "12067@10"},
        {"command 5 after OE", imageWith({{10, {0x8FF, 0x2FF, 0x900}}, {17, {0x700}}}), ""},
        {"target at the limit", imageWith({{10, jump(88)}}), "12051@10"},
        {"target below the limit", imageWith({{10, jump(87)}}), ""},
        {"target before sample 0", imageWith({{10, {0x805, 0x200, 0x100}}}), "12051@10"},
        {"command 3 after a jump", imageWith({{10, jump(50)}, {15, {0x700}}}), "12052@10"},
        {"command 6 after a jump", imageWith({{10, jump(50)}, {18, {0x700}}}), ""},
        {"target right after a command", imageWith({{30, {0x700}}, {60, jump(31)}}), "12050@60"},
        {"target 3 after a command", imageWith({{30, {0x700}}, {60, jump(33)}}), "12050@60"},
        {"target 4 after a command", imageWith({{30, {0x700}}, {60, jump(34)}}), ""},
        {"target 2 before a command", imageWith({{30, {0x700}}, {60, jump(28)}}), "12050@60"},
        {"target 3 before a command", imageWith({{30, {0x700}}, {60, jump(27)}}), ""},
        {"LP and BE checked as jumps", imageWith({{10, jump(95, 0x300)}, {30, jump(95, 0x500)}}), "12051@10 12051@30"},
        {"IT ignores operand bit 23", imageWith({{10, {0x800 | 62, 0x200, 0xB80}}}), ""},
        {"DL value read as an address", imageWith({{10, {0x800 | 5, 0x200, 0xC00}}}), "12051@10"},
        {"DL in range", imageWith({{10, {0x800 | 62, 0x200, 0xC00}}}), ""},
        {"out of range and too near", imageWith({{10, jump(90)}, {15, {0x700}}}), "12051@10 12052@10"},
        {"beyond the checked area", imageWith({{88, {0x800}}}), ""},
        {"last checked sample", imageWith({{87, {0x800}}}), "12048@87"},
        {"LC after an operand pair", imageWith({{10, {0x800, 0x201, 0x400}}}), ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(problems(c.image), c.expected);
    }
}

TEST(WaveformCheck, JumpProblemsCarryTheirTarget) {
    auto found = checkWaveform(imageWith({{30, {0x700}}, {60, jump(31)}}), usable);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].target, 31);
    EXPECT_EQ(checkWaveform(imageWith({{10, {0x800}}}), usable)[0].target, -1);
}

TEST(WaveformCheck, LimitAndShortImages) {
    auto image = imageWith({{5, {0x800}}, {9, {0x800}}, {20, {0x800}}});
    EXPECT_EQ(problems(image, 2), "12048@5 12048@9");
    // Samples outside the image hold no command; a too-small usable area checks nothing.
    std::vector<Sample> shortImage = {0x700, 0x000};
    EXPECT_EQ(checkWaveform(shortImage, usable).size(), 0u);
    EXPECT_TRUE(checkWaveform(imageWith({{0, {0x800}}}), 12).empty());
}

TEST(WaveformCheck, MessageTexts) {
    EXPECT_EQ(checkProblemText({Msg::CommandError, 5}), "Command error in 5.");
    EXPECT_EQ(checkProblemText({Msg::JumpPointTooNear, 60, 31}),
              "Command  60 error. Jump point is too near(3 clocks) others command. Continue checking?");
    EXPECT_EQ(checkProblemText({Msg::CommandsAfterOe, 10}),
              "No commands  are allowed within 4 clocks after the OE command. Continue checking?");
    EXPECT_EQ(checkProblemText({Msg::CommandError, 7}, Language::SimplifiedChinese), "在 7 的命令错误。");
}

} // namespace
} // namespace qv
