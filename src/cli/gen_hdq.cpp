// qvtool gen hdq: the HDQ tool's settings and list from the command line. The row options set the
// dialog's fields and --add adds them as the Add button does (the address and data checked, the
// same-address question answered by --same); --line and --list add list lines as written and
// --random rows of random values from --seed. Run only: the tool has no Convert.
#include "gen_command.h"
#include "generators/hdq.h"

#include <random>

namespace qv::cli {
namespace {

struct HdqOptions {
    gen::HdqSettings settings;
    std::string rate = "5"; // K bits/s
    gen::HdqRow row{1, true, 8, {1}};
    bool appendSame = false;
    std::mt19937 random{0};
    ListBuild list;
};

const char* const readWriteNames[] = {"R", "W"};
const char* const answerNames[] = {"no", "yes"};

bool add(HdqOptions& o) {
    if (o.list.refused != Msg::None) return true;
    if (Msg m = gen::checkHdqEntry(o.row.address, o.row.data, o.row.width); m != Msg::None) {
        o.list.refused = m;
        return true;
    }
    gen::HdqRow last;
    if (o.appendSame && !o.list.lines.empty() && gen::readHdqLine(o.list.lines.back(), last) == Msg::None &&
        gen::hdqSameTarget(last, o.row)) {
        last.data.insert(last.data.end(), o.row.data.begin(), o.row.data.end());
        o.list.lines.back() = gen::hdqRowLine(last);
        return true;
    }
    o.list.lines.push_back(gen::hdqRowLine(o.row));
    return true;
}

constexpr GenOption<HdqOptions> options[] = {
    {"channel", "N", Msg::CliGenListChannel,
     [](HdqOptions& o, const std::string& v) { return readInt(v, 0, 63, o.settings.channel); }},
    {"rate", "KBPS", Msg::CliGenHdqRate, [](HdqOptions& o, const std::string& v) { return !(o.rate = v).empty(); }},
    {"repeat", nullptr, Msg::CliGenRepeat, [](HdqOptions& o, const std::string&) { return o.settings.repeat = true; }},
    {"address", "HEX", Msg::CliGenHdqAddress,
     [](HdqOptions& o, const std::string& v) {
         const auto address = gen::hexValue(v, 0xFFFFFFFF);
         if (!address || v.empty()) return false;
         o.row.address = static_cast<unsigned>(*address);
         return true;
     }},
    {"rw", "R|W", Msg::CliGenListReadWrite,
     [](HdqOptions& o, const std::string& v) {
         int write = 0;
         if (!readChoice(v, readWriteNames, write)) return false;
         o.row.write = write == 1;
         return true;
     }},
    {"width", "8|16", Msg::CliGenHdqWidth,
     [](HdqOptions& o, const std::string& v) { return (v == "8" || v == "16") && readInt(v, 8, 16, o.row.width); }},
    {"values", "HEX...", Msg::CliGenHdqData,
     [](HdqOptions& o, const std::string& v) {
         const auto values = gen::hdqDataValues(v);
         if (!values || values->empty()) return false;
         o.row.data = *values;
         return true;
     }},
    {"same", "yes|no", Msg::CliGenHdqSame,
     [](HdqOptions& o, const std::string& v) { return readChoice(v, answerNames, o.appendSame); }},
    {"add", nullptr, Msg::CliGenBusAdd, [](HdqOptions& o, const std::string&) { return add(o); }},
    {"line", "TEXT", Msg::CliGenBusLine,
     [](HdqOptions& o, const std::string& v) {
         o.list.lines.push_back(v);
         return true;
     }},
    {"list", "FILE", Msg::CliGenBusList, [](HdqOptions& o, const std::string& v) { return appendListFile(v, o.list); }},
    {"seed", "N", Msg::CliGenListSeed,
     [](HdqOptions& o, const std::string& v) {
         int seed = 0;
         if (!readInt(v, 0, 2147483647, seed)) return false;
         o.random.seed(static_cast<std::uint32_t>(seed));
         return true;
     }},
    {"random", "N", Msg::CliGenListRandom,
     [](HdqOptions& o, const std::string& v) {
         int count = 0;
         if (!readInt(v, 1, 1000000, count)) return false;
         for (const gen::HdqRow& row : gen::hdqRandomRows(count, o.row.width, o.random))
             o.list.lines.push_back(gen::hdqRowLine(row));
         return true;
     }},
};

int hdqMain(const GenCommon& common, const std::vector<std::string>& args) {
    HdqOptions o;
    if (int status = applyOptions<HdqOptions>(options, args, o); status != exitDone) return status;
    if (!common.convertOut.empty()) return fail(Msg::CliGenNoConvert, "hdq", exitBadArguments);
    if (int status = finishList(o.list); status != exitDone) return status;
    const auto rate = rateOf(RateOption{o.rate, RateUnit::Kbps});
    if (!rate) return failWithValue("--rate", o.rate);
    o.settings.rateBitsPerSecond = *rate;
    return genCapture(common, [&](OutputPorts& ports, std::span<Sample> buffer) {
        return gen::runHdq(ports, o.settings, o.list.lines, buffer).result == OutputResult::Running;
    });
}

} // namespace

const GenTool hdqGenTool{"hdq", Msg::CliGenHdqSummary, [] { printOptionTable<HdqOptions>(options); }, hdqMain};

} // namespace qv::cli
