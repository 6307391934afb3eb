// qvtool gen pwm: the PWM tool's settings from the command line; Run (--capture) or Export
// (--export OUT.qvv, labels from the working folder's WAVEEDIT.LBL as the tool reads them).
#include "gen_command.h"
#include "generators/pwm.h"
#include "support/field_values.h"

#include <filesystem>
#include <limits>

namespace qv::cli {
namespace {

using gen::PwmSettings;

struct PwmOptions {
    PwmSettings settings;
    RateOption frequency{"100", RateUnit::Kbps};
    std::string workFolder;
};

using Option = GenOption<PwmOptions>;

bool readDuty(const std::string& text, double& duty) {
    const auto n = parseFieldNumber(text);
    if (!n) return false;
    duty = *n; // the tool refuses a duty outside 0..100 with its own message
    return true;
}

constexpr Option options[] = {
    {"channel1", "N", Msg::CliGenPwmChannel1,
     [](PwmOptions& o, const std::string& v) { return readInt(v, 0, 63, o.settings.channel1); }},
    {"channel2", "N", Msg::CliGenPwmChannel2,
     [](PwmOptions& o, const std::string& v) { return readInt(v, 0, 63, o.settings.channel2); }},
    {"frequency", "N", Msg::CliGenPwmFrequency,
     [](PwmOptions& o, const std::string& v) {
         o.frequency.text = v;
         return true;
     }},
    {"unit", "MHz|KHz|Hz", Msg::CliGenFrequencyUnit,
     [](PwmOptions& o, const std::string& v) {
         static const char* const names[] = {"MHz", "KHz", "Hz"};
         return readChoice(v, names, o.frequency.unit);
     }},
    {"duty1", "PERCENT", Msg::CliGenPwmDuty1,
     [](PwmOptions& o, const std::string& v) { return readDuty(v, o.settings.duty1); }},
    {"duty2", "PERCENT", Msg::CliGenPwmDuty2,
     [](PwmOptions& o, const std::string& v) { return readDuty(v, o.settings.duty2); }},
    {"fine", nullptr, Msg::CliGenPwmFine,
     [](PwmOptions& o, const std::string&) {
         o.settings.step = gen::DutyStep::Tenth;
         return true;
     }},
    {"once", nullptr, Msg::CliGenPwmOnce,
     [](PwmOptions& o, const std::string&) {
         o.settings.repeat = false;
         return true;
     }},
    {"work-folder", "DIR", Msg::CliGenPwmWorkFolder,
     [](PwmOptions& o, const std::string& v) {
         o.workFolder = v;
         return true;
     }},
};

int pwmMain(const GenCommon& common, const std::vector<std::string>& args) {
    PwmOptions o;
    if (int status = applyOptions<PwmOptions>(options, args, o); status != exitDone) return status;
    if (!common.convertOut.empty()) return fail(Msg::CliGenNoConvert, "pwm", exitBadArguments);
    o.settings.frequencyHz =
        rateBitsPerSecond(o.frequency.text, o.frequency.unit).value_or(std::numeric_limits<double>::quiet_NaN());
    if (!common.exportOut.empty()) {
        std::error_code error;
        const std::string folder = o.workFolder.empty() ? std::filesystem::current_path(error).string() : o.workFolder;
        std::string argument;
        const Msg m =
            gen::exportPwmQvv(o.settings, capabilitiesFor(common.instrument.model), folder, common.exportOut, argument);
        return m == Msg::None ? exitDone : fail(m, argument);
    }
    return genCapture(common, [&](OutputPorts& ports, std::span<Sample> buffer) {
        return gen::runPwm(ports, o.settings, buffer).outcome.result == OutputResult::Running;
    });
}

} // namespace

const GenTool pwmGenTool{"pwm", Msg::CliGenPwmSummary,
                         [] {
                             printOptionTable<PwmOptions>(options);
                             printOptionLine("--export OUT.qvv", Msg::CliGenPwmExport);
                         },
                         pwmMain, true};

} // namespace qv::cli
