// VHDL test bench import: an Altera-style test bench with a counted FOR loop, a NOW-bounded loop
// and a vector, on 100 and 200 MHz models; the time base, inexact delays, too many channels.
#include "converters/vhdl_import.h"

#include "scripted_prompt.h"
#include "waveedit/commands.h"
#include "waveedit/waveform_check.h"

#include <gtest/gtest.h>

#include <string>

namespace qv {
namespace {

std::string testBench(const std::string& clockDelay = "10000 ps", const std::string& vector = "1 DOWNTO 0") {
    return R"(LIBRARY ieee;
USE ieee.std_logic_1164.all;
ENTITY counter_vhd_vec_tst IS
END counter_vhd_vec_tst;
ARCHITECTURE counter_arch OF counter_vhd_vec_tst IS
SIGNAL clk : STD_LOGIC;
SIGNAL d : STD_LOGIC_VECTOR()" +
        vector + R"();
SIGNAL q : STD_LOGIC;
COMPONENT counter
	PORT (
	clk : IN STD_LOGIC;
	d : IN STD_LOGIC_VECTOR()" +
        vector + R"();
	q : OUT STD_LOGIC -- a result, no stimulus
	);
END COMPONENT;
BEGIN
	i1 : counter
	PORT MAP (clk => clk, d => d, q => q);
-- clk
t_prcs_clk: PROCESS
BEGIN
	FOR i IN 1 TO 4
	LOOP
		clk <= '0';
		WAIT FOR )" +
        clockDelay + R"(;
		clk <= '1';
		WAIT FOR )" +
        clockDelay + R"(;
	END LOOP;
	clk <= '0';
WAIT;
END PROCESS t_prcs_clk;
-- d[1]
t_prcs_d_1: PROCESS
BEGIN
	d(1) <= '1';
	WAIT FOR 30000 ps;
	d(1) <= '0';
WAIT;
END PROCESS t_prcs_d_1;
-- d[0]
t_prcs_d_0: PROCESS
BEGIN
LOOP
	d(0) <= '0';
	WAIT FOR 20 ns;
	d(0) <= '1';
	WAIT FOR 20000 ps;
	IF (NOW >= 80000 ps) THEN WAIT; END IF;
END LOOP;
END PROCESS t_prcs_d_0;
END counter_arch;
)";
}

struct Loaded {
    Msg result = Msg::None;
    vhdl::ImportResult import;
    std::vector<Sample> image = std::vector<Sample>(4096);
    LabelTable labels{};
    test::ScriptedPrompt prompt;
    vhdl::ImportSettings settings;
};

std::unique_ptr<Loaded> load(const std::string& text, int model = 0xC350, std::deque<Answer> answers = {},
                             bool repeat = false) {
    auto l = std::make_unique<Loaded>();
    l->prompt = test::ScriptedPrompt(std::move(answers));
    l->settings.capabilities = capabilitiesFor(model);
    l->settings.repeat = repeat;
    l->result = vhdl::importVhdl(text, l->settings, l->prompt, l->image, l->labels, l->import);
    return l;
}

std::string channelText(const std::vector<Sample>& image, int channel, int from, int to) {
    std::string s;
    for (int i = from; i < to; ++i) s += channelLevel(image[static_cast<std::size_t>(i)], channel) ? '1' : '0';
    return s;
}

// A test bench of single-bit inputs: "name: statements" per port, each process in Altera's form.
std::string benchOf(const std::vector<std::pair<std::string, std::string>>& processes) {
    std::string ports, bodies;
    for (const auto& [name, statements] : processes) {
        ports += (ports.empty() ? "" : "; ") + name + " : IN STD_LOGIC";
        bodies += "t_prcs_" + name + ": PROCESS\nBEGIN\n" + statements + "\nEND PROCESS t_prcs_" + name + ";\n";
    }
    return "COMPONENT c PORT (" + ports + "); END COMPONENT;\nBEGIN\n" + bodies;
}

TEST(VhdlImport, LoopsAndVectorAt100MHz) {
    auto l = load(testBench());
    ASSERT_EQ(l->result, Msg::None);
    EXPECT_EQ(l->import.sampleFrequency, 100000000);
    // FOR I IN 1 TO 4 with 10,000 ps halves: 4 periods of 2 samples.
    EXPECT_EQ(channelText(l->image, 0, 0, 10), "0101010100");
    // d: channels 2 (d_1, most significant) and 1 (d_0); the NOW-bounded loop ends at 80,000 ps
    // and its last level holds.
    EXPECT_EQ(channelText(l->image, 2, 0, 10), "1110000000");
    EXPECT_EQ(channelText(l->image, 1, 0, 10), "0011001111");
    EXPECT_EQ(l->import.end, 8);
    ASSERT_EQ(l->import.signals.size(), 2u) << "the output q takes no channel";
    EXPECT_EQ(l->import.signals[1].channels, (std::vector<int>{2, 1}));
    EXPECT_STREQ(l->labels[13].name, "d");
    EXPECT_EQ(l->labels[13].positionCode, 2);
    EXPECT_TRUE(l->prompt.asked.empty());
}

TEST(VhdlImport, TimeBaseAndInexactDelays) {
    // 5,000 ps loads on a 200 MHz model and is too fast for a 100 MHz one.
    auto fast = load(testBench("5000 ps"), 0xCD16);
    ASSERT_EQ(fast->result, Msg::None);
    EXPECT_EQ(fast->import.sampleFrequency, 200000000);
    EXPECT_EQ(channelText(fast->image, 0, 0, 9), "010101010");
    EXPECT_EQ(load(testBench("5000 ps"))->result, Msg::VhdlFrequencyTooBig);

    // 15,000 ps on a 100 MHz model: inexact; No clears the signal, Yes keeps it.
    auto refused = load(testBench("15000 ps"), 0xC350, {Answer::No});
    EXPECT_EQ(refused->prompt.asked, std::vector<int>{12082});
    EXPECT_EQ(refused->prompt.askedWith.at(0).first, "clk");
    EXPECT_EQ(channelText(refused->image, 0, 0, 10), "0000000000");
    auto kept = load(testBench("15000 ps"), 0xC350, {Answer::Yes});
    EXPECT_EQ(channelText(kept->image, 0, 0, 10), "0010010010") << "edges at 1.5, 3, 4.5 ... samples, halves up";
}

TEST(VhdlImport, RefusalsAndLimits) {
    EXPECT_EQ(load("ENTITY x IS END x;")->result, Msg::NotVhdlTestBench);
    EXPECT_EQ(load("")->result, Msg::NotVhdlTestBench);
    // 1 + 60 channels: the vector is beyond channel 50 and dropped, with 12084 shown.
    auto wide = load(testBench("10000 ps", "59 DOWNTO 0"));
    ASSERT_EQ(wide->result, Msg::None);
    ASSERT_EQ(wide->prompt.shown.size(), 1u);
    EXPECT_EQ(wide->prompt.shown[0].first, 12084);
    EXPECT_EQ(wide->import.signals.size(), 1u);
    // Repeat: data from sample 20, the jump to address 32 on the last three samples.
    auto repeat = load(testBench(), 0xC350, {}, true);
    EXPECT_EQ(channelText(repeat->image, 0, 20, 28), "01010101");
    const int end = vhdl::finishVhdlImage(repeat->image, repeat->settings, repeat->import);
    EXPECT_EQ(end, 28);
    EXPECT_EQ(commandField(repeat->image[25]), 0x820u);
    EXPECT_EQ(commandField(repeat->image[27]), 0x100u);
    // A jump keeps off its target and the two samples after it: data of one to six samples ends at
    // sample 26, seven end at 27.
    for (const auto& [delay, wantedEnd] : {std::pair{"10 ns", 26}, std::pair{"60 ns", 26}, std::pair{"70 ns", 27}}) {
        auto brief = load(benchOf({{"a", std::string("a <= '1'; WAIT FOR ") + delay + "; WAIT;"}}), 0xC350, {}, true);
        EXPECT_EQ(vhdl::finishVhdlImage(brief->image, brief->settings, brief->import), wantedEnd) << delay;
        EXPECT_EQ(commandField(brief->image[static_cast<std::size_t>(wantedEnd - 1)]), 0x100u) << delay;
        EXPECT_TRUE(checkWaveform(brief->image, static_cast<int>(brief->image.size())).empty()) << delay;
    }
    // Nested loops that never end stop at the image's end.
    auto endless = load(R"(COMPONENT c PORT (a : IN STD_LOGIC); END COMPONENT;
t_prcs_a: PROCESS BEGIN LOOP FOR i IN 1 TO 99999999999999999999 LOOP LOOP a <= '1'; WAIT FOR 10 ns;
a <= '0'; WAIT FOR 10 ns; END LOOP; END LOOP; END LOOP; END PROCESS t_prcs_a;)");
    ASSERT_EQ(endless->result, Msg::None);
    EXPECT_EQ(endless->import.end, 4096 - 12);
}

TEST(VhdlImport, LevelsBeforeWaitHoldToTheEndAndAfterIt) {
    // en ends "en <= '1'; WAIT;" and stays high while clk runs on and after the data; wr_en's
    // process comes first and must not be taken for en's.
    auto l = load(benchOf({{"wr_en", "wr_en <= '1'; WAIT FOR 20 ns; wr_en <= '0'; WAIT;"},
                           {"en", "en <= '0'; WAIT FOR 30 ns; en <= '1';\nWAIT;"},
                           {"clk",
                            "FOR i IN 1 TO 4 LOOP clk <= '0'; WAIT FOR 10 ns; clk <= '1'; WAIT FOR 10 ns; "
                            "END LOOP; WAIT;"}}));
    ASSERT_EQ(l->result, Msg::None);
    EXPECT_EQ(l->import.end, 8);
    EXPECT_EQ(channelText(l->image, 0, 0, 9), "110000000") << "wr_en";
    EXPECT_EQ(channelText(l->image, 1, 0, 9), "000111111") << "en";
    EXPECT_EQ(channelText(l->image, 2, 0, 9), "010101011") << "clk";
    // Every sample after the data holds the final levels.
    EXPECT_EQ(l->image.back() >> 12 & 0x7, 0x6u);
    EXPECT_EQ(l->image[l->image.size() - 13] >> 12 & 0x7, 0x6u);

    // A bench whose only process sets a level and ends: one sample of it, held after.
    auto only = load(benchOf({{"en", "en <= '1'; WAIT;"}}));
    ASSERT_EQ(only->result, Msg::None);
    EXPECT_EQ(only->import.end, 1);
    EXPECT_EQ(channelText(only->image, 0, 0, 3), "111");
}

TEST(VhdlImport, EdgesAtTheirNearestSample) {
    // 15 ns half periods at 100 MHz: edges at 15, 30, 45 ... ns fall on samples 2, 3, 5, 6, ...
    // (halves rounded up) and 200 periods end at sample 600, not 400; 12082 still warns.
    auto l = load(benchOf({{"clk",
                            "FOR i IN 1 TO 200 LOOP clk <= '1'; WAIT FOR 15 ns; clk <= '0'; WAIT FOR 15 ns; "
                            "END LOOP; WAIT;"}}),
                  0xC350, {Answer::Yes});
    ASSERT_EQ(l->result, Msg::None);
    EXPECT_EQ(l->prompt.asked, std::vector<int>{12082});
    EXPECT_EQ(l->import.end, 600);
    EXPECT_EQ(channelText(l->image, 0, 0, 13), "1101101101101");
    EXPECT_EQ(channelText(l->image, 0, 594, 602), "11011000");
    // Just below and at half a period.
    auto below =
        load(benchOf({{"a", "a <= '1'; WAIT FOR 14999 ps; a <= '0'; WAIT FOR 10 ns; WAIT;"}}), 0xC350, {Answer::Yes});
    EXPECT_EQ(channelText(below->image, 0, 0, 3), "100");
    auto half =
        load(benchOf({{"a", "a <= '1'; WAIT FOR 15000 ps; a <= '0'; WAIT FOR 10 ns; WAIT;"}}), 0xC350, {Answer::Yes});
    EXPECT_EQ(channelText(half->image, 0, 0, 4), "1100");
    EXPECT_EQ(half->import.end, 3);
}

TEST(VhdlImport, UnitsPortListsAndAscendingVectors) {
    auto l = load(R"(COMPONENT c PORT (
 a, b : IN STD_LOGIC; -- two names, one type; WAIT FOR 1 ps; in a comment is no delay
 io : INOUT STD_LOGIC;
 v : IN STD_LOGIC_VECTOR(0 TO 2) := "000";
 o : OUT STD_LOGIC);
END COMPONENT;
t_prcs_a: PROCESS BEGIN a <= '1'; WAIT FOR 0.02 us; a <= '0'; WAIT FOR 30000000 fs; a <= '1'; WAIT FOR 1_0 ns;
a <= '0'; WAIT; END PROCESS t_prcs_a;
b: PROCESS BEGIN b <= '1';--high
WAIT FOR 10000;--a comment right after the semicolon
b <= '0'; WAIT; END PROCESS b;
t_prcs_io: process begin io <= '0'; wait for 20 ns; io <= '1'; wait for 10 ns; io <= '0'; wait; end process t_prcs_io;
t_prcs_v_0: PROCESS BEGIN v(0) <= '1'; WAIT FOR 40 ns; v(0) <= '0'; WAIT; END PROCESS t_prcs_v_0;
t_prcs_v_2: PROCESS BEGIN LOOP v(2) <= '1'; WAIT FOR 10 ns; v(2) <= '0'; WAIT FOR 10 ns;
IF (NOW >= 0.00004 ms) THEN WAIT; END IF; END LOOP; END PROCESS t_prcs_v_2;
)");
    ASSERT_EQ(l->result, Msg::None);
    EXPECT_EQ(l->import.end, 6);
    ASSERT_EQ(l->import.signals.size(), 4u) << "a, b, io, v";
    EXPECT_EQ(l->import.signals[3].channels, (std::vector<int>{5, 4, 3})) << "v(0), the left bound, first";
    const char* expected[] = {"11000100", "10000000", "00100000", "10100000", "00000000", "11110000"};
    for (int channel = 0; channel < 6; ++channel)
        EXPECT_EQ(channelText(l->image, channel, 0, 8), expected[channel]) << "channel " << channel;

    // A second is 10^12 ps: the delay fills the image.
    auto second = load(benchOf({{"a", "a <= '1'; WAIT FOR 1 sec; a <= '0'; WAIT;"}}));
    EXPECT_EQ(second->import.end, 4096 - 12);
    EXPECT_EQ(channelText(second->image, 0, 4082, 4084), "11");
}

TEST(VhdlImport, InputsBeyondTheModelsChannels) {
    // 16 input bits fit a 16-channel model; 17 are refused as the VCD import refuses them.
    auto fits = load(testBench("10000 ps", "14 DOWNTO 0"), 0xB016);
    EXPECT_EQ(fits->result, Msg::None);
    EXPECT_EQ(fits->import.signals.size(), 2u);
    auto over = load(testBench("10000 ps", "15 DOWNTO 0"), 0xB016);
    EXPECT_EQ(over->result, Msg::VcdTooManyChannels);
    EXPECT_EQ(over->import.end, 0);
    EXPECT_TRUE(over->prompt.shown.empty());
    EXPECT_EQ(load(testBench("10000 ps", "18 DOWNTO 0"), 0xA020)->result, Msg::None) << "20 on a 20-channel model";
}

TEST(VhdlImport, LoopBoundsBeyondTheNumberRange) {
    // 0 TO 10^20: the pass count saturates and the loop runs until the image is full.
    auto l = load(benchOf({{"a",
                            "FOR i IN 0 TO 99999999999999999999 LOOP a <= '1'; WAIT FOR 10 ns; a <= '0'; "
                            "WAIT FOR 10 ns; END LOOP; WAIT;"}}));
    ASSERT_EQ(l->result, Msg::None);
    EXPECT_EQ(l->import.end, 4096 - 12);
    EXPECT_EQ(channelText(l->image, 0, 4078, 4084), "101010");
    // 3 TO 3 and 4 DOWNTO 4 once each.
    auto single = load(benchOf({{"a",
                                 "FOR i IN 3 TO 3 LOOP a <= '1'; WAIT FOR 10 ns; END LOOP; "
                                 "FOR i IN 4 DOWNTO 4 LOOP a <= '0'; WAIT FOR 10 ns; END LOOP; WAIT;"}}));
    EXPECT_EQ(single->import.end, 2);
    EXPECT_EQ(channelText(single->image, 0, 0, 2), "10");
    // 10^20 DOWNTO 0 saturates as 0 TO 10^20 does; 3 DOWNTO 5 and 5 TO 3 run not at all.
    auto down = load(benchOf({{"a",
                               "FOR i IN 99999999999999999999 DOWNTO 0 LOOP a <= '1'; WAIT FOR 10 ns; "
                               "a <= '0'; WAIT FOR 10 ns; END LOOP; WAIT;"}}));
    EXPECT_EQ(down->import.end, 4096 - 12);
    auto none = load(benchOf({{"a",
                               "FOR i IN 3 DOWNTO 5 LOOP a <= '1'; WAIT FOR 10 ns; END LOOP; "
                               "FOR i IN 5 TO 3 LOOP a <= '1'; WAIT FOR 10 ns; END LOOP; WAIT FOR 10 ns; WAIT;"}}));
    EXPECT_EQ(none->import.end, 1);
    EXPECT_EQ(channelText(none->image, 0, 0, 2), "00");
    // An IF inside a THEN part runs with it.
    auto nested = load(benchOf({{"a",
                                 "a <= '0'; WAIT FOR 10 ns; IF (NOW >= 0 ps) THEN a <= '1'; IF (NOW >= 5 ns) "
                                 "THEN WAIT FOR 20 ns; END IF; END IF; a <= '0'; WAIT FOR 10 ns; WAIT;"}}));
    EXPECT_EQ(nested->import.end, 4);
    EXPECT_EQ(channelText(nested->image, 0, 0, 5), "01100");
    // Loops nested 32 deep are followed; a 33rd is not.
    for (const auto& [depth, wanted] : {std::pair{32, "10"}, std::pair{33, "00"}}) {
        std::string nest;
        for (int d = 0; d < depth; ++d) nest += "FOR i IN 1 TO 1 LOOP ";
        nest += "a <= '1'; WAIT FOR 10 ns; ";
        for (int d = 0; d < depth; ++d) nest += "END LOOP; ";
        auto deep = load(benchOf({{"a", nest + "a <= '0'; WAIT FOR 10 ns; WAIT;"}}));
        EXPECT_EQ(channelText(deep->image, 0, 0, 2), wanted) << depth;
    }
    // A loop bounded by NOW >= 0 ps runs once.
    auto once = load(benchOf({{"a",
                               "LOOP a <= '1'; WAIT FOR 10 ns; a <= '0'; WAIT FOR 10 ns; "
                               "IF (NOW >= 0 ps) THEN WAIT; END IF; END LOOP;"}}));
    EXPECT_EQ(once->import.end, 2);
}

} // namespace
} // namespace qv
