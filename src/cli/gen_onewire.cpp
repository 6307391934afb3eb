// qvtool gen onewire: the 1-Wire tool's settings and list from the command line. --rw and --values
// fill the Edit dialog and --add adds its row; --line and --list add list lines as written and
// --random rows of random values from --seed. Run only: the tool has no Convert.
#include "gen_command.h"
#include "generators/onewire.h"

#include <random>

namespace qv::cli {
namespace {

struct OneWireOptions {
    gen::OneWireSettings settings;
    gen::OneWireRow row{true, {{0xCC, 1}}};
    std::mt19937 random{0};
    ListBuild list;
};

const char* const readWriteNames[] = {"R", "W"};
const char* const speedNames[] = {"standard", "overdrive"};

constexpr GenOption<OneWireOptions> options[] = {
    {"channel", "N", Msg::CliGenListChannel,
     [](OneWireOptions& o, const std::string& v) { return readInt(v, 0, 63, o.settings.channel); }},
    {"speed", "standard|overdrive", Msg::CliGenOneWireSpeed,
     [](OneWireOptions& o, const std::string& v) { return readChoice(v, speedNames, o.settings.speed); }},
    {"repeat", nullptr, Msg::CliGenRepeat,
     [](OneWireOptions& o, const std::string&) { return o.settings.repeat = true; }},
    {"rw", "R|W", Msg::CliGenListReadWrite,
     [](OneWireOptions& o, const std::string& v) {
         int write = 0;
         if (!readChoice(v, readWriteNames, write)) return false;
         o.row.write = write == 1;
         return true;
     }},
    {"values", "HEX...", Msg::CliGenOneWireData,
     [](OneWireOptions& o, const std::string& v) {
         const auto values = gen::oneWireValues(v);
         if (!values) return false;
         o.row.values = *values;
         return true;
     }},
    {"add", nullptr, Msg::CliGenBusAdd,
     [](OneWireOptions& o, const std::string&) {
         o.list.lines.push_back(gen::oneWireRowLine(o.row));
         return true;
     }},
    {"line", "TEXT", Msg::CliGenBusLine,
     [](OneWireOptions& o, const std::string& v) {
         o.list.lines.push_back(v);
         return true;
     }},
    {"list", "FILE", Msg::CliGenBusList,
     [](OneWireOptions& o, const std::string& v) { return appendListFile(v, o.list); }},
    {"seed", "N", Msg::CliGenListSeed,
     [](OneWireOptions& o, const std::string& v) {
         int seed = 0;
         if (!readInt(v, 0, 2147483647, seed)) return false;
         o.random.seed(static_cast<std::uint32_t>(seed));
         return true;
     }},
    {"random", "N", Msg::CliGenListRandom,
     [](OneWireOptions& o, const std::string& v) {
         int count = 0;
         if (!readInt(v, 1, 1000000, count)) return false;
         for (const gen::OneWireRow& row : gen::oneWireRandomRows(count, o.random))
             o.list.lines.push_back(gen::oneWireRowLine(row));
         return true;
     }},
};

int oneWireMain(const GenCommon& common, const std::vector<std::string>& args) {
    OneWireOptions o;
    if (int status = applyOptions<OneWireOptions>(options, args, o); status != exitDone) return status;
    if (!common.convertOut.empty()) return fail(Msg::CliGenNoConvert, "onewire", exitBadArguments);
    if (int status = finishList(o.list); status != exitDone) return status;
    return genCapture(common, [&](OutputPorts& ports, std::span<Sample> buffer) {
        return gen::runOneWire(ports, o.settings, o.list.lines, buffer).result == OutputResult::Running;
    });
}

} // namespace

const GenTool oneWireGenTool{"onewire", Msg::CliGenOneWireSummary, [] { printOptionTable<OneWireOptions>(options); },
                             oneWireMain};

} // namespace qv::cli
