// qvtool gen sync-counter and async-counter: the counters' settings from the command line; Run
// only (the counters have no Convert).
#include "gen_command.h"
#include "generators/counter.h"
#include "support/field_values.h"

#include <array>
#include <cstdint>

namespace qv::cli {
namespace {

using gen::CounterKind;
using gen::CounterSettings;

bool readValue(const std::string& text, std::int64_t& value) {
    const auto n = parseFieldInteger(text);
    if (!n) return false;
    value = *n;
    return true;
}

using Option = GenOption<CounterSettings>;

constexpr Option sharedOptions[] = {
    {"width", "BITS", Msg::CliGenCounterWidth,
     [](CounterSettings& s, const std::string& v) { return readInt(v, 1, 64, s.width); }},
    {"start", "N", Msg::CliGenCounterStart,
     [](CounterSettings& s, const std::string& v) { return readValue(v, s.start); }},
    {"end", "N", Msg::CliGenCounterEnd, [](CounterSettings& s, const std::string& v) { return readValue(v, s.end); }},
    {"increment", "N", Msg::CliGenCounterIncrement,
     [](CounterSettings& s, const std::string& v) { return readValue(v, s.increment); }},
    {"start-channel", "N", Msg::CliGenCounterStartChannel,
     [](CounterSettings& s, const std::string& v) { return readInt(v, 0, 63, s.startChannel); }},
    {"frequency", "HZ", Msg::CliGenCounterFrequency,
     [](CounterSettings& s, const std::string& v) { return readRate(v, s.frequencyHz); }},
    {"repeat", nullptr, Msg::CliGenRepeat, [](CounterSettings& s, const std::string&) { return s.repeat = true; }},
};

constexpr Option syncOnlyOptions[] = {
    {"gray", nullptr, Msg::CliGenCounterGray, [](CounterSettings& s, const std::string&) { return s.gray = true; }},
    {"section", nullptr, Msg::CliGenUartSection,
     [](CounterSettings& s, const std::string&) { return s.section = true; }},
};

constexpr Option asyncOnlyOptions[] = {
    {"delay", "N", Msg::CliGenCounterDelay,
     [](CounterSettings& s, const std::string& v) {
         int n = 0;
         if (!readInt(v, 2, 16, n)) return false;
         s.delayIndex = 16 - n;
         return true;
     }},
};

template <std::size_t A, std::size_t B>
constexpr std::array<Option, A + B> joined(const Option (&a)[A], const Option (&b)[B]) {
    std::array<Option, A + B> out{};
    for (std::size_t i = 0; i < A; ++i) out[i] = a[i];
    for (std::size_t i = 0; i < B; ++i) out[A + i] = b[i];
    return out;
}

constexpr auto syncOptions = joined(sharedOptions, syncOnlyOptions);
constexpr auto asyncOptions = joined(sharedOptions, asyncOnlyOptions);

// Start 0 and End 2^w - 1 unless given, as the dialog derives End from the width.
int counterMain(const GenCommon& common, const std::vector<std::string>& args, CounterKind kind) {
    CounterSettings s;
    s.end = -1;
    const int status = kind == CounterKind::Sync ? applyOptions<CounterSettings>(syncOptions, args, s)
                                                 : applyOptions<CounterSettings>(asyncOptions, args, s);
    if (status != exitDone) return status;
    if (s.end < 0) s.end = s.width >= 63 ? INT64_MAX : (std::int64_t{1} << s.width) - 1;
    if (!common.convertOut.empty())
        return fail(Msg::CliGenNoConvert, kind == CounterKind::Sync ? "sync-counter" : "async-counter",
                    exitBadArguments);
    return genCapture(common, [&](OutputPorts& ports, std::span<Sample> buffer) {
        return gen::runCounter(ports, s, kind, buffer).outcome.result == OutputResult::Running;
    });
}

} // namespace

const GenTool syncCounterGenTool{"sync-counter", Msg::CliGenSyncCounterSummary,
                                 [] { printOptionTable<CounterSettings>(syncOptions); },
                                 [](const GenCommon& common, const std::vector<std::string>& args) {
                                     return counterMain(common, args, CounterKind::Sync);
                                 }};
const GenTool asyncCounterGenTool{"async-counter", Msg::CliGenAsyncCounterSummary,
                                  [] { printOptionTable<CounterSettings>(asyncOptions); },
                                  [](const GenCommon& common, const std::vector<std::string>& args) {
                                      return counterMain(common, args, CounterKind::Async);
                                  }};

} // namespace qv::cli
