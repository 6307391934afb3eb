// A document exported as VCD: which labels become variables and how, bus bit order, and that
// only changed values are written; read back with the test's VCD reader where it can.
#include "waveedit/vcd_export.h"

#include "label_records.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace qv {
namespace {

std::string fileText(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), {});
}

TEST(VcdExport, LabelsBecomeVariablesAndOnlyChangesAreWritten) {
    auto doc = Document::create(capabilitiesFor(0xB016), true);
    LabelTable& t = doc->labels();
    t[0] = test::labelRecord(4, positionSingle, commandLabelName, 5, colourCommandLabel); // left out
    t[1] = test::labelRecord(12 + 3, positionBusHead, "BUS", 0); // ch3 is the most significant bit
    t[2] = test::labelRecord(12 + 2, 3, "BUS");
    t[3] = test::labelRecord(12 + 0, positionBusLast, "BUS");
    t[4] = test::labelRecord(12 + 9, positionSingle, "my clk");
    t[5] = test::labelRecord(12 + 10, positionSingle, "");
    t[6] = LabelRecord{};
    doc->output().baseFrequency = 12500000;
    auto image = doc->usableImage();
    const Sample ch0 = channelBit(0), ch2 = channelBit(2), ch3 = channelBit(3), ch9 = channelBit(9);
    const Sample samples[] = {ch3, ch3 | 0x700, ch3 | ch0 | ch9, ch2, ch2};
    for (std::size_t i = 0; i < std::size(samples); ++i) image[i] = samples[i];
    for (std::size_t i = std::size(samples); i < image.size(); ++i) image[i] = ch2;

    test::TempFolder folder;
    const std::string path = folder.file("doc.vcd");
    ASSERT_EQ(exportVcd(path, *doc), Msg::None);
    const std::string text = fileText(path);
    EXPECT_NE(text.find("$timescale 10 ns $end"), std::string::npos);
    const std::string body = text.substr(text.find("$scope"));
    EXPECT_EQ(body,
              "$scope module qv $end\n"
              "$var wire 3 ! BUS [2:0] $end\n"
              "$var wire 1 \" my_clk $end\n"
              "$var wire 1 # label4 $end\n"
              "$upscope $end\n$enddefinitions $end\n"
              "#0\n$dumpvars\nb100 !\n0\"\n0#\n$end\n"
              "#16\nb101 !\n1\"\n"
              "#24\nb010 !\n0\"\n"
              "#32\n") // the used length: samples 0-3, the last change at 3
        << "a command alone (sample 1) changes nothing";
}

TEST(VcdExport, UnwritableTargetKeepsNothingBehind) {
    auto doc = Document::create(capabilitiesFor(0xB016), true);
    EXPECT_EQ(exportVcd("/nonexistent/folder/doc.vcd", *doc), Msg::FileCanNotCreate);
}

TEST(VcdExport, KeywordLikeNamesAndTheBaseFrequency) {
    for (const auto& [name, wanted] : {std::pair{"$end", "_end"}, {"$", "_"}, {"a$end", "a$end"}, {"x y", "x_y"}})
        EXPECT_EQ(vcdReferenceName(test::labelRecord(12, positionSingle, name), 1), wanted);
    auto doc = Document::create(capabilitiesFor(0xB016), true);
    doc->labels()[0] = test::labelRecord(12, positionSingle, "$end");
    test::TempFolder folder;
    const std::string path = folder.file("doc.vcd");
    for (int frequency : {0, -5}) {
        doc->output().baseFrequency = frequency;
        EXPECT_EQ(exportVcd(path, *doc), Msg::VcdExportNeedsFrequency);
        EXPECT_FALSE(std::ifstream(path).good());
    }
    doc->output().baseFrequency = 1; // the lowest clock there is: one second per sample
    doc->labels()[1] = test::labelRecord(highestBitIndex, positionSingle, "PORT1"); // the highest bit
    doc->labels()[2] = test::labelRecord(5, positionSingle, "LOW"); // a command bit under another name: no variable
    doc->usableImage()[2] = Sample{1} << highestBitIndex;
    ASSERT_EQ(exportVcd(path, *doc), Msg::None);
    const std::string text = fileText(path);
    EXPECT_NE(text.find("$var wire 1 ! _end $end"), std::string::npos);
    EXPECT_NE(text.find("$var wire 1 \" PORT1 $end"), std::string::npos);
    EXPECT_NE(text.find("#2\n1\"\n#3\n0\"\n"), std::string::npos);
    EXPECT_EQ(text.find("LOW"), std::string::npos);
}

} // namespace
} // namespace qv
