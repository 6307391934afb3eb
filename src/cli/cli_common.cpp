// Shared qvtool pieces: texts, document kinds, and the run on a virtual instrument.
#include "cli_common.h"

#include "app/models.h"
#include "sim/driver_functions.h"
#include "sim/config.h"
#include "sim/rack.h"
#include "support/field_values.h"
#include "support/file_io.h"
#include "support/text_fill.h"
#include "converters/law_import.h"
#include "converters/sigrok_import.h"
#include "converters/text_vector_convert.h"
#include "converters/vcd_import.h"
#include "converters/vhdl_import.h"
#include "waveedit/handoff.h"
#include "waveedit/qvw_file.h"
#include "waveedit/vcd_export.h"
#include "waveedit/waveform_files.h"

#include <filesystem>

namespace qv::cli {

std::string english(Msg id, std::string_view argument, std::string_view second) {
    return fillMarkers(text(id), {argument, second});
}

void printLine(const std::string& line, std::FILE* stream) {
    std::fputs(line.c_str(), stream);
    std::fputc('\n', stream);
}

int fail(Msg id, std::string_view argument, int status) {
    printLine(english(id, argument), stderr);
    return status;
}

// The Wave Editor's rule: ".qvv" or ".QVV" is a text vector file; a folder holds hand-off files.
Kind kindOf(const std::string& path) {
    if (isTextVectorFileName(path)) return Kind::Qvv;
    if (path.size() > 4 && (path.ends_with(".vcd") || path.ends_with(".VCD"))) return Kind::Vcd;
    if (path.size() > 4 && (path.ends_with(".law") || path.ends_with(".LAW"))) return Kind::Law;
    if (path.size() > 4 && (path.ends_with(".vht") || path.ends_with(".VHT"))) return Kind::Vht;
    if (path.size() > 4 && (path.ends_with(".tbl") || path.ends_with(".TBL"))) return Kind::Tbl;
    if (sigrok::isSigrokSessionName(path)) return Kind::Sr;
    std::error_code error;
    if (!path.empty() && (path.back() == '/' || path.back() == '\\' || std::filesystem::is_directory(path, error)))
        return Kind::Handoff;
    return Kind::Qvw;
}

namespace {
// A file longer than the memory is not loaded.
class RefusingPrompt : public Prompt {
  public:
    Answer ask(int, Buttons) override { return Answer::No; }
    void show(int, const std::string&) override {}
};
} // namespace

// A converter's file as Load and Convert make it: samples and labels into the document, the
// file's sample frequency as the base frequency. The lead and start commands are those of a
// conversion with Repeat and Wait Key Before Run unchecked.
Msg importFile(const std::string& path, Kind kind, Document& doc, bool acceptQuestions, std::string* detail) {
    InputFile file;
    // An empty test bench is no test bench (12083); an empty file of the others cannot be opened.
    if (!file.open(path) || (file.size() <= 0 && kind != Kind::Vht)) return Msg::CantOpenFile;
    CommandLinePrompt prompt(acceptQuestions);
    std::span<Sample> image = doc.usableImage();
    int frequency = 0;
    if (kind == Kind::Vcd) {
        vcd::ImportSettings settings;
        settings.capabilities = doc.capabilities();
        vcd::ImportResult result;
        if (Msg m = vcd::importVcd(file, settings, prompt, image, doc.labels(), result); m != Msg::None) return m;
        if (result.abandoned) return Msg::FileTooLarge;
        vcd::finishVcdImage(image, settings, result);
        frequency = result.sampleFrequency;
    } else if (kind == Kind::Vht) {
        std::string text(static_cast<std::size_t>(file.size()), '\0');
        if (!file.read(0, text.data(), text.size())) return Msg::CantOpenFile;
        vhdl::ImportSettings settings;
        settings.capabilities = doc.capabilities();
        vhdl::ImportResult result;
        if (Msg m = vhdl::importVhdl(std::move(text), settings, prompt, image, doc.labels(), result); m != Msg::None)
            return m;
        vhdl::finishVhdlImage(image, settings, result);
        frequency = result.sampleFrequency;
    } else if (kind == Kind::Tbl) {
        std::string text;
        if (Msg m = textvector::readConverterFile(path, text); m != Msg::None) return m;
        textvector::LoadResult loaded;
        if (Msg m = textvector::loadTextVector(text, textvector::Variant::AlteraTable, doc.capabilities(), prompt,
                                               loaded, doc.labels());
            m != Msg::None)
            return m;
        const textvector::FrequencyDisplay shown = textvector::frequencyDisplay(loaded.timing.frequency);
        textvector::ConvertRequest request;
        request.frequencyText = shown.text;
        request.unit = shown.unit;
        textvector::ConvertResult result;
        if (Msg m = textvector::convertTextVector(std::move(text), request, loaded, doc.capabilities(), prompt, image,
                                                  result);
            m != Msg::None)
            return m;
        if (result.abandoned) return Msg::FileTooLarge;
        frequency = result.frequency;
    } else if (kind == Kind::Sr) {
        sigrok::ImportResult result;
        const Msg m = sigrok::openSigrokSession(file, doc, prompt, result);
        if (detail != nullptr) *detail = result.detail;
        if (m != Msg::None) return m;
        frequency = result.sampleFrequency;
    } else if (kind == Kind::Law) {
        law::ImportResult result;
        if (Msg m = law::importLaw(file, doc, prompt, result); m != Msg::None) return m;
        if (result.declined) return Msg::FileTooLarge;
        frequency = result.sampleFrequency;
    }
    doc.output().baseFrequency = frequency;
    return Msg::None;
}

Msg load(const std::string& path, Kind kind, Document& doc, bool acceptQuestions, std::string* detail) {
    switch (kind) {
    case Kind::Vcd:
    case Kind::Law:
    case Kind::Vht:
    case Kind::Tbl:
    case Kind::Sr: return importFile(path, kind, doc, acceptQuestions, detail);
    case Kind::Qvw:
    case Kind::Qvv: {
        if (fileSize(path) < 0) return Msg::CantOpenFile;
        RefusingPrompt prompt;
        return openWaveformFile(path, doc, prompt);
    }
    case Kind::Handoff:
        if (fileSize(handoffLabelPath(path)) < 0 && fileSize(handoffSamplePath(path)) < 0) return Msg::CantOpenFile;
        loadHandoffFiles(path, doc);
        return Msg::None;
    }
    return Msg::NoQvWaveformFile;
}

Msg save(const std::string& path, Kind kind, const Document& doc, std::string& refusedLabel) {
    switch (kind) {
    case Kind::Qvw: return saveWaveformFile(path, doc, saveModeBinary);
    case Kind::Qvv: return saveWaveformFile(path, doc, saveModeText, 0, &refusedLabel);
    case Kind::Handoff: {
        std::error_code error;
        std::filesystem::create_directories(path, error);
        return writeHandoffFiles(path, doc.labels(), doc.usableImage());
    }
    case Kind::Vcd: return exportVcd(path, doc);
    case Kind::Law:
    case Kind::Vht:
    case Kind::Tbl:
    case Kind::Sr: break; // read only
    }
    return Msg::FileCanNotCreate;
}

int loadFailure(Msg m, std::string_view detail) {
    return m == Msg::FileTooLarge ? fail(Msg::CliAnsweredNo) : fail(m, detail);
}

Answer CommandLinePrompt::ask(int id, Buttons buttons) { return askWith(id, buttons, {}, {}); }

Answer CommandLinePrompt::askWith(int id, Buttons buttons, std::string_view argument, std::string_view second) {
    const bool okCancel = buttons == Buttons::Ok || buttons == Buttons::OkCancel;
    const Answer answer =
        affirmative_ ? (okCancel ? Answer::Ok : Answer::Yes) : (okCancel ? Answer::Cancel : Answer::No);
    const Msg said = answer == Answer::Ok ? Msg::CliAnsweredOk
        : answer == Answer::Yes           ? Msg::CliAnsweredYes
        : answer == Answer::Cancel        ? Msg::CliAnsweredCancel
                                          : Msg::CliAnsweredNoButton;
    printLine(english(Msg(id), argument, second) + " " + english(said), stderr);
    return answer;
}

void CommandLinePrompt::show(int id, const std::string& argument) { printLine(english(Msg(id), argument), stderr); }

bool outputStarted(OutputResult result) { return result == OutputResult::Running || result == OutputResult::Stopped; }

int runOnVirtualInstrument(const InstrumentOptions& options, Prompt& prompt,
                           const std::function<bool(OutputPorts&)>& output, const std::string& refusedText) {
    sim::DeviceConfig device;
    device.modelCode = options.model;
    device.serial = "QVTOOL";
    device.interfaceName = "USB";
    device.cardType = options.cardType;
    device.capturePath = options.capture;
    device.sampleLimit = options.maxSamples;
    device.eventAt = options.eventAt;
    device.eventEndAt = options.eventEndAt;
    sim::Platform platform;
    platform.readConfiguration = [device] { return sim::Configuration{{device}, {}}; };
    platform.openOsHandle = [](int slot) -> sim::OsHandle { return slot + 1; };
    sim::installPlatform(std::move(platform));
    const Driver driver = sim::simulatorDriver();
    const DeviceHandle handle = driver.qvHasHw(driver.qvFindDevice());

    DriverInterlock interlock;
    OutputFlags flags;
    flags.running = 1;
    OutputPorts ports{driver, handle, interlock, flags, prompt, capabilitiesFor(options.model)};
    // The sample limit ends the whole output as Stop would: an output in sections (with Repeat,
    // endless) sees the cleared running flag before its next section and ends.
    ports.pause = [&](int) {
        sim::withRack([&](sim::Rack& rack) {
            const sim::DeviceState* device = rack.device(handle);
            if (device != nullptr && device->outputClocks() >= device->sampleLimit()) flags.running.store(0);
        });
    };
    if (!output(ports)) {
        driver.qvShutdown(handle);
        return refusedText.empty() ? exitFileError : fail(Msg::CliRunRefused, refusedText);
    }

    int keysLeft = options.keyEvents;
    sim::SequencerState state = sim::SequencerState::Running;
    for (;;) {
        std::int32_t running = 1, word = 0, code = 0;
        driver.qvReadStatus(handle, &running, &word, &code);
        if (running != 0) continue;
        state = static_cast<sim::SequencerState>(driver.qvGetHwInfo(handle, sim::infoSequencerState));
        if (state != sim::SequencerState::WaitingForKey || keysLeft == 0) break;
        --keysLeft;
        driver.qvKeyboardEvent(handle);
    }
    std::uint64_t samples = 0;
    bool captureFailed = false;
    sim::withRack([&](sim::Rack& rack) {
        samples = rack.device(handle)->outputClocks();
        captureFailed = rack.device(handle)->captureFailed;
    });
    stopOutput(ports);
    sim::withRack([&](sim::Rack& rack) { captureFailed = captureFailed || rack.device(handle)->captureFailed; });
    driver.qvShutdown(handle);
    if (captureFailed) return fail(Msg::CliCaptureFailed, options.capture);

    printLine(english(Msg::CliRunEnded) + ": " + std::to_string(samples));
    switch (state) {
    case sim::SequencerState::WaitingForKey: printLine(english(Msg::CliRunWaitsForKey)); return exitDone;
    case sim::SequencerState::WaitingForEvent: printLine(english(Msg::CliRunWaitsForEvent)); return exitDone;
    case sim::SequencerState::AtSampleLimit: printLine(english(Msg::CliRunAtLimit)); return exitDone;
    default: printLine(english(Msg::CliRunOffMemory)); return exitRunUnfinished;
    }
}

int parseInstrumentOption(const std::vector<std::string>& args, std::size_t& i, InstrumentOptions& options) {
    const std::string& a = args[i];
    if (a != "--capture" && a != "--key-events" && a != "--max-samples" && a != "--ev1" && a != "--ev2" &&
        a != "--ev3" && a != "--card-type")
        return 0;
    if (i + 1 == args.size()) return -fail(Msg::CliMissingArgument, {}, exitBadArguments);
    const std::string& value = args[++i];
    if (a == "--capture") {
        options.capture = value;
    } else if (a == "--key-events" || a == "--card-type") {
        const auto n = parseDigits(value, 1000000000);
        if (!n) return -fail(Msg::CliBadNumber, value, exitBadArguments);
        (a == "--key-events" ? options.keyEvents : options.cardType) = static_cast<int>(*n);
    } else if (a == "--max-samples") {
        const auto n = sim::parseSampleLimit(value);
        if (!n) return -fail(Msg::CliBadNumber, value, exitBadArguments);
        options.maxSamples = *n;
    } else {
        const auto schedule = sim::parseEventSchedule(value);
        if (!schedule) return -fail(Msg::CliBadNumber, value, exitBadArguments);
        options.eventAt[static_cast<std::size_t>(a[4] - '1')] = schedule->at;
        options.eventEndAt[static_cast<std::size_t>(a[4] - '1')] = schedule->endAt;
    }
    return 1;
}

int parseModelOption(const std::vector<std::string>& args, std::size_t& i, int& model) {
    const std::string& a = args[i];
    if (a != "--model" && a.rfind("--model=", 0) != 0) return 0;
    std::string code;
    if (a == "--model") {
        if (i + 1 == args.size()) return -fail(Msg::CliMissingArgument, {}, exitBadArguments);
        code = args[++i];
    } else {
        code = a.substr(8);
    }
    model = parseModelCode(code);
    if (model <= 0 || modelRow(model).code != model) return -fail(Msg::CliBadModel, code, exitBadArguments);
    return 1;
}

} // namespace qv::cli
