// System Parameter Setting rules: the modes per card, the frequency field in its units with its
// spin and period, the cursor change, and what OK stores, asks and refuses.
#include "waveedit/system_parameters.h"

#include "scripted_prompt.h"

#include <gtest/gtest.h>

#include <vector>

namespace qv {
namespace {

TEST(SystemParameterModes, ChoicesNamesAndTheModeAtOpening) {
    const std::span<const int> card18 = frequencyModeChoices(18);
    EXPECT_EQ(std::vector<int>(card18.begin(), card18.end()), (std::vector<int>{1, 2, 3, 9, 10, 11}));
    const std::span<const int> others = frequencyModeChoices(0);
    EXPECT_EQ(std::vector<int>(others.begin(), others.end()),
              (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 9, 10, 11, 12, 13, 14, 15}));
    EXPECT_EQ(frequencyModeText(1), Msg::ModeInternal);
    EXPECT_EQ(frequencyModeText(7), Msg::ModeInternalCki1Cki2);
    EXPECT_EQ(frequencyModeText(9), Msg::ModeNotInternal);
    EXPECT_EQ(frequencyModeText(15), Msg::ModeNotInternalCki1Cki2);
    EXPECT_EQ(frequencyModeText(8), Msg::None);
    struct Case {
        int stored, cardType, opened;
    };
    for (const Case c : {Case{5, 0, 5}, Case{5, 18, 1}, Case{11, 18, 11}, Case{0, 0, 1}, Case{8, 0, 1}, Case{16, 0, 1},
                         Case{-3, 18, 1}})
        EXPECT_EQ(frequencyModeWhenOpened(c.stored, c.cardType), c.opened) << c.stored << " card " << c.cardType;
}

TEST(SystemParameterFrequency, FieldTextReadingSpinAndPeriod) {
    struct Shown {
        int hertz;
        FrequencyUnit unit;
        const char* text;
    };
    for (const Shown c : {Shown{10000000, FrequencyUnit::MHz, "10"}, Shown{12500, FrequencyUnit::MHz, "0.0125"},
                          Shown{12500, FrequencyUnit::KHz, "12.5"}, Shown{65, FrequencyUnit::Hz, "65"},
                          Shown{1, FrequencyUnit::MHz, "0.000001"}}) {
        EXPECT_EQ(frequencyFieldText(c.hertz, c.unit), c.text);
        EXPECT_EQ(frequencyFromField(c.text, c.unit), c.hertz) << c.text;
    }
    struct Read {
        const char* text;
        FrequencyUnit unit;
        int hertz;
    };
    for (const Read c : {Read{"1.5", FrequencyUnit::KHz, 1500}, Read{"10.0000009", FrequencyUnit::MHz, 10000000},
                         Read{"0.3", FrequencyUnit::MHz, 300000}, Read{"12.7", FrequencyUnit::Hz, 12},
                         Read{"abc", FrequencyUnit::MHz, 0}, Read{"", FrequencyUnit::Hz, 0}})
        EXPECT_EQ(frequencyFromField(c.text, c.unit), c.hertz) << c.text;

    EXPECT_EQ(nextFrequencyUnit(FrequencyUnit::MHz), FrequencyUnit::KHz);
    EXPECT_EQ(nextFrequencyUnit(FrequencyUnit::KHz), FrequencyUnit::Hz);
    EXPECT_EQ(nextFrequencyUnit(FrequencyUnit::Hz), FrequencyUnit::MHz);

    struct Spin {
        const char* text;
        FrequencyUnit unit;
        int delta;
        const char* after;
    };
    for (const Spin c : {Spin{"10", FrequencyUnit::MHz, 1, "11"}, Spin{"10", FrequencyUnit::MHz, -1, "9"},
                         Spin{"100", FrequencyUnit::MHz, 1, "100"}, Spin{"0.5", FrequencyUnit::MHz, -1, "0.000001"},
                         Spin{"x", FrequencyUnit::KHz, 1, "1"}, Spin{"12.5", FrequencyUnit::KHz, 1, "13.5"}})
        EXPECT_EQ(steppedFrequencyField(c.text, c.unit, c.delta, 100000000), c.after) << c.text;

    struct Period {
        int hertz;
        const char* number;
        Msg unit;
    };
    for (const Period c : {Period{10000000, "100", Msg::PeriodUnitNs}, Period{3000000, "333.333", Msg::PeriodUnitNs},
                           Period{1000000, "1", Msg::PeriodUnitUs}, Period{65, "15.385", Msg::PeriodUnitMs},
                           Period{1, "1", Msg::PeriodUnitS}, Period{0, "", Msg::None}}) {
        const PeriodText p = periodOf(c.hertz);
        EXPECT_EQ(p.number, c.number) << c.hertz;
        EXPECT_EQ(p.unit, c.unit) << c.hertz;
    }
}

TEST(SystemParameterCursorChange, RangeAndSpin) {
    struct Read {
        const char* text;
        int tenths;
    };
    for (const Read c : {Read{"0.5", 5}, Read{"10", 100}, Read{"1.0", 10}, Read{"2.34", 23}, Read{"0.4", -1},
                         Read{"10.1", -1}, Read{"-1", -1}, Read{"x", -1}, Read{"", -1}})
        EXPECT_EQ(cursorChangeFromText(c.text), c.tenths) << c.text;
    struct Spin {
        const char* text;
        int delta;
        const char* after;
    };
    for (const Spin c : {Spin{"1.0", 1, "1.1"}, Spin{"1.0", -1, "0.9"}, Spin{"10.0", 1, "10.0"}, Spin{"0.5", -1, "0.5"},
                         Spin{"x", 1, "0.6"}, Spin{"50", -1, "10.0"}})
        EXPECT_EQ(steppedCursorChange(c.text, c.delta), c.after) << c.text;
}

TEST(SystemParameterOk, StoresAllAtOnceOrKeepsTheDialogOpen) {
    const SystemParameters before{10000000, 1, 32, 10};
    struct Case {
        const char* name;
        SystemParameterForm form;
        std::deque<Answer> answers;
        bool close;
        SystemParameters after;
        std::vector<int> asked;
        std::vector<int> shown;
    };
    const int q12023 = static_cast<int>(Msg::CantGenerateFrequency);
    const int m12072 = static_cast<int>(Msg::CursorChangeOverRange);
    const Case cases[] = {
        {"achievable", {"2", FrequencyUnit::MHz, 3, 13, "2.5"}, {}, true, {2000000, 3, 13, 25}, {}, {}},
        {"No keeps open", {"313", FrequencyUnit::Hz, 3, 13, "2.5"}, {Answer::No}, false, before, {q12023}, {}},
        {"Yes takes the nearest",
         {"313", FrequencyUnit::Hz, 1, 32, "1"},
         {Answer::Yes},
         true,
         {315, 1, 32, 10},
         {q12023},
         {}},
        {"cursor change over range", {"2", FrequencyUnit::MHz, 3, 13, "11"}, {}, false, before, {}, {m12072}},
        {"Yes then over range",
         {"313", FrequencyUnit::Hz, 3, 13, "0.2"},
         {Answer::Yes},
         false,
         before,
         {q12023},
         {m12072}},
        {"no number is refused, not asked about",
         {"abc", FrequencyUnit::MHz, 3, 13, "2.5"},
         {Answer::Yes},
         false,
         before,
         {},
         {static_cast<int>(Msg::FrequencyNotNumber)}},
        {"a number with more after it",
         {"5x", FrequencyUnit::MHz, 3, 13, "2.5"},
         {Answer::Yes},
         false,
         before,
         {},
         {static_cast<int>(Msg::FrequencyNotNumber)}},
        {"an empty field",
         {"", FrequencyUnit::KHz, 3, 13, "2.5"},
         {},
         false,
         before,
         {},
         {static_cast<int>(Msg::FrequencyNotNumber)}},
        {"no number under an external clock is not read",
         {"abc", FrequencyUnit::Hz, 2, 32, "1"},
         {},
         true,
         {10000000, 2, 32, 10},
         {},
         {}},
        {"external clock keeps the frequency",
         {"313", FrequencyUnit::Hz, 2, 32, "1"},
         {},
         true,
         {10000000, 2, 32, 10},
         {},
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::ScriptedPrompt prompt(c.answers);
        SystemParameters values = before;
        const SystemParameterAnswer answer = acceptSystemParameters(c.form, capabilitiesFor(0xA020), 0, prompt, values);
        EXPECT_EQ(answer.close, c.close);
        EXPECT_EQ(values.baseFrequency, c.after.baseFrequency);
        EXPECT_EQ(values.frequencyMode, c.after.frequencyMode);
        EXPECT_EQ(values.eventHotKey, c.after.eventHotKey);
        EXPECT_EQ(values.cursorChangeTenths, c.after.cursorChangeTenths);
        EXPECT_EQ(prompt.asked, c.asked);
        std::vector<int> shown;
        for (const auto& s : prompt.shown) shown.push_back(s.first);
        EXPECT_EQ(shown, c.shown);
        EXPECT_EQ(answer.frequencyRefused, !shown.empty() && shown[0] == static_cast<int>(Msg::FrequencyNotNumber));
        if (answer.frequencyRefused) {
            EXPECT_EQ(prompt.shown[0].second, c.form.frequency);
        }
        EXPECT_EQ(answer.achievableFrequency, c.asked.empty() || c.answers.front() == Answer::No ? 0 : 315);
    }
}

} // namespace
} // namespace qv
