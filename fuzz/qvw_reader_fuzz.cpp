// libFuzzer harness of the .qvw reader: arbitrary bytes as a file, read into a document with an
// instrument attached and in demo mode, the 12070 question answered from the input; a document
// that loads is then written as .qvv text, which walks whatever labels the file brought.
#include "waveedit/document.h"
#include "waveedit/qvv_writer.h"
#include "waveedit/qvw_file.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

class FixedPrompt : public qv::Prompt {
  public:
    explicit FixedPrompt(bool yes) : yes_(yes) {}
    qv::Answer ask(int, qv::Buttons) override { return yes_ ? qv::Answer::Yes : qv::Answer::No; }
    void show(int, const std::string&) override {}

  private:
    bool yes_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static auto device = qv::Document::create(qv::capabilitiesFor(0xA020), true);
    static auto demo = qv::Document::create(qv::capabilitiesFor(0xA050), false);
    const bool useDemo = size > 0 && (data[size - 1] & 1);
    qv::Document& doc = useDemo ? *demo : *device;
    doc.setUsableSampleBytes(doc.capabilities().usableSampleBytes);
    FixedPrompt prompt(size > 0 && (data[size - 1] & 2));
    qv::MemorySource source(data, size);
    if (qv::loadQvw(source, doc, prompt) == qv::Msg::None) {
        std::string text;
        (void)qv::qvvText(doc, 0, text);
        (void)qv::qvwSampleCount(doc);
    }
    return 0;
}
