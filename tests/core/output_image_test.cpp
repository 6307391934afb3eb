// Output preparation and used length: command shift, OE move, closing loop, prefix, unlabelled bits.
#include "waveedit/output_image.h"

#include "sample_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace qv {
namespace {

using test::commandsText;
using test::levelsText;

constexpr int usable = 200;

struct Buffer {
    int n;
    std::vector<Sample> all, backup;
    explicit Buffer(int count = usable)
        : n(count), all(static_cast<std::size_t>(prefixSamples + count + reservedTailSamples), 0),
          backup(static_cast<std::size_t>(count), 0) {}
    Sample& image(int i) { return all[static_cast<std::size_t>(prefixSamples + i)]; }
    void put(int at, std::initializer_list<unsigned> words) {
        for (unsigned w : words) image(at) = withCommand(image(at), w), ++at;
    }
    PreparedOutput prepare() {
        fillOutputPrefix(all);
        return prepareOutputImage(all, n, backup);
    }
    int used() const { return usedSampleCount(all, n); }
    std::span<const Sample> device() const { return all; }
};

// The preparation written out step by step, in separate passes, to check the single fused walk.
PreparedOutput referencePrepare(std::vector<Sample>& b, int n, std::vector<Sample>& backup) {
    const std::vector<Sample> original(b.begin() + 12, b.begin() + 12 + n);
    std::copy(original.begin(), original.end(), backup.begin());
    int lastChange = -1, lastTarget = -1;
    for (int i = 0; i < n; ++i) {
        Sample before = i == 0 ? b[11] : original[i - 1];
        if (original[i] != before) lastChange = i + 12;
        unsigned w = commandField(original[i]), op = w >> 8;
        if ((op == 1 || op == 3 || op == 5 || op == 0xC || op == 0xB)) {
            int high = op == 0xB ? (w & 0x7F) : (w & 0xFF);
            // Before sample 0 the prefix holds no command.
            unsigned w1 = i >= 1 ? commandField(original[i - 1]) : 0, w2 = i >= 2 ? commandField(original[i - 2]) : 0;
            int t = high << 16 | (w1 & 0xFF) << 8 | (w2 & 0xFF);
            lastTarget = std::max(lastTarget, t);
        }
    }
    for (int i = 0; i < n; ++i) b[12 + i - 3] = withCommand(b[12 + i - 3], commandField(original[i]));
    for (int i = std::max(0, n - 3); i < n; ++i) b[12 + i] = withCommand(b[12 + i], 0);
    for (int k = n + 11; k >= 5; --k) {
        auto op = [&](int a) { return commandField(b[a]) >> 8; };
        if (op(k - 5) == 8 && op(k - 4) == 2 && op(k - 3) == 9) {
            unsigned t[3] = {commandField(b[k - 5]), commandField(b[k - 4]), commandField(b[k - 3])};
            for (int j = 0; j < 3; ++j) b[k - 5 + j] = withCommand(b[k - 5 + j], 0);
            for (int j = 0; j < 3; ++j) b[k - 1 + j] = withCommand(b[k - 1 + j], t[j]);
        }
    }
    int end = lastChange < 0 && lastTarget < 0 ? n + 11 : std::clamp(std::max(lastChange, lastTarget), 12, n + 11);
    Sample e = b[end];
    unsigned a = end + 1;
    b[end + 1] = withCommand(e, 0x800 | (a & 0xFF));
    b[end + 2] = withCommand(e, 0x200 | ((a >> 8) & 0xFF));
    b[end + 3] = withCommand(e, 0x100 | ((a >> 16) & 0xFF));
    for (int j = 4; j <= 7; ++j) b[end + j] = e;
    return {end, end + 12};
}

TEST(OutputImage, LastChangeDecidesClosingLoopAndLength) {
    Buffer buf;
    for (int i = 0; i < 100; ++i) buf.image(i) = i % 2 ? channelBit(0) : 0;
    // Sample 99 is high and differs from 98; everything after copies sample 99.
    for (int i = 100; i < usable; ++i) buf.image(i) = channelBit(0);
    EXPECT_EQ(buf.used(), 100);
    PreparedOutput out = buf.prepare();
    EXPECT_EQ(out.end, 111);
    EXPECT_EQ(out.lengthSamples, 123);
    EXPECT_EQ(commandsText(buf.device(), 111, 120), "000 870 200 100 000 000 000 000 000");
    EXPECT_EQ(levelsText(buf.device(), 0, 110, 120), "LHHHHHHHHH");
}

TEST(OutputImage, JumpMovesThreeAheadAndSetsTheEnd) {
    Buffer buf;
    for (int i = 0; i < usable; ++i) buf.image(i) = channelBit(3);
    buf.put(10, {0x820, 0x200, 0x100}); // JP 20 (device address 32)
    // The NP after the JP is the last change (image 13), but the target, sample 20, lies beyond.
    EXPECT_EQ(buf.used(), 21);
    PreparedOutput out = buf.prepare();
    EXPECT_EQ(commandsText(buf.device(), 18, 26), "000 820 200 100 000 000 000 000");
    EXPECT_EQ(commandsText(buf.backup, 9, 14), "000 820 200 100 000");
    EXPECT_EQ(out.end, 32);
    EXPECT_EQ(levelsText(buf.device(), 3, 0, 40), std::string(40, 'H'));
}

TEST(OutputImage, FurthestTargetBeyondTheLastChangeExtendsTheEnd) {
    Buffer buf;
    buf.put(10, {0x800 | 150, 0x200, 0x100}); // JP 138 (device 150)
    buf.put(20, {0x800 | 20, 0x200, 0x100}); // a later, nearer jump must not shorten the end
    EXPECT_EQ(buf.used(), 150 - 11);
    EXPECT_EQ(buf.prepare().end, 150);
    Buffer far;
    far.put(10, {0x8FF, 0x2FF, 0x1FF}); // beyond the usable area: the whole area
    EXPECT_EQ(far.used(), usable);
    EXPECT_EQ(far.prepare().end, usable + 11);
    Buffer it; // IT ignores operand bit 23: 0xB80 | 0 targets 100
    it.put(10, {0x800 | 100, 0x200, 0xB80});
    EXPECT_EQ(it.used(), 100 - 11);
    Buffer lc; // LC's count is no address
    lc.put(10, {0x2FF, 0x4FE});
    EXPECT_EQ(lc.used(), 13);
}

TEST(OutputImage, OutputEnableEndsOneSampleLater) {
    Buffer buf;
    buf.put(10, {0x8FF, 0x2FF, 0x900});
    buf.put(30, {0x700});
    buf.prepare();
    EXPECT_EQ(commandsText(buf.device(), 12 + 6, 12 + 15), "000 000 000 000 000 8FF 2FF 900 000");
    EXPECT_EQ(commandsText(buf.device(), 12 + 26, 12 + 29), "000 700 000"); // WE still three ahead
}

TEST(OutputImage, PrefixTakesTheFirstCommandsAndTheHandshake) {
    Buffer buf;
    buf.image(0) = channelBit(1) | 0x609; // SE EV1 at sample 0
    buf.put(1, {0x700});
    buf.image(usable - 1) = withCommand(buf.image(usable - 1), 0x700);
    PreparedOutput out = buf.prepare();
    EXPECT_EQ(commandsText(buf.device(), 0, 16), "000 700 600 000 000 000 000 000 000 609 700 000 000 000 000 000");
    EXPECT_EQ(levelsText(buf.device(), 1, 0, 13), "HHHHHHHHHHHHH");
    // The last three usable samples have no successor whose command they could carry.
    EXPECT_EQ(commandsText(buf.device(), 12 + usable - 4, 12 + usable), "700 000 000 000");
    EXPECT_EQ(out.end, usable + 11);
}

TEST(OutputImage, ConstantImageUsesTheWholeArea) {
    Buffer buf;
    for (int i = 0; i < usable; ++i) buf.image(i) = channelBit(7);
    buf.all[11] = 0x12345; // a stale prefix from an earlier run does not count
    EXPECT_EQ(buf.used(), usable);
    PreparedOutput out = buf.prepare();
    EXPECT_EQ(out.end, usable + 11);
    EXPECT_EQ(out.lengthSamples, usable + 23);
    EXPECT_EQ(commandsText(buf.device(), 1, 3), "700 600"); // the handshake survives
}

TEST(OutputImage, UsedLengthModifiesNothingAndHandlesShortBuffers) {
    Buffer buf;
    buf.put(50, {0x700});
    const std::vector<Sample> before = buf.all;
    EXPECT_EQ(buf.used(), 52);
    EXPECT_EQ(buf.all, before);
    EXPECT_EQ(usedSampleCount(std::span<const Sample>(buf.all).first(5), usable), 0);
    EXPECT_EQ(usedSampleCount(buf.all, 0), 0);
    EXPECT_EQ(usedSampleCount(buf.all, -4), 0);
    // A usable count larger than the buffer is cut to what the buffer holds.
    EXPECT_EQ(usedSampleCount(std::span<const Sample>(buf.all).first(12 + 40), usable), 40);
}

TEST(OutputImage, RefusesBuffersWithoutRoom) {
    Buffer buf;
    buf.put(5, {0x700});
    const std::vector<Sample> before = buf.all;
    std::vector<Sample> shortBackup(usable - 1);
    EXPECT_EQ(prepareOutputImage(buf.all, usable, shortBackup).lengthSamples, 0);
    EXPECT_EQ(
        prepareOutputImage(std::span<Sample>(buf.all).first(buf.all.size() - 1), usable, buf.backup).lengthSamples, 0);
    EXPECT_EQ(prepareOutputImage(buf.all, 0, buf.backup).lengthSamples, 0);
    LabelTable labels{};
    EXPECT_EQ(prepareDocumentForOutput(buf.all, usable, labels, shortBackup).lengthSamples, 0);
    EXPECT_EQ(buf.all, before);
}

TEST(OutputImage, BackupRestoresTheImage) {
    Buffer buf;
    std::mt19937_64 random(7);
    for (int i = 0; i < usable; ++i) buf.image(i) = random() & ~commandMask;
    buf.put(40, {0x8FF, 0x2FF, 0x900});
    buf.put(60, {0x805, 0x200, 0x300});
    const std::vector<Sample> image(buf.all.begin() + 12, buf.all.begin() + 12 + usable);
    buf.prepare();
    EXPECT_TRUE(std::equal(image.begin(), image.end(), buf.backup.begin()));
    restoreOutputImage(buf.all, usable, buf.backup);
    EXPECT_TRUE(std::equal(image.begin(), image.end(), buf.all.begin() + 12));
}

TEST(OutputImage, UnlabelledChannelsAreClearedInTheDocumentAndThePrefix) {
    Buffer buf;
    LabelTable labels{};
    labels[0] = LabelRecord{};
    labels[0].bitIndex = firstChannelBit + 2;
    labels[0].positionCode = positionSingle;
    labels[1].bitIndex = 64; // out of range: names nothing
    labels[1].positionCode = positionSingle;
    labels[3].bitIndex = firstChannelBit + 5; // after the terminator: ignored
    labels[3].positionCode = positionSingle;
    EXPECT_EQ(labelledBitsMask(labels), commandMask | channelBit(2));
    for (int i = 0; i < usable; ++i) buf.image(i) = channelBit(2) | channelBit(5) | (Sample{1} << 63);
    buf.put(0, {0x700});
    PreparedOutput out = prepareDocumentForOutput(buf.all, usable, labels, buf.backup);
    EXPECT_GT(out.lengthSamples, 0);
    EXPECT_EQ(levelsText(buf.device(), 5, 0, 12 + usable), std::string(12 + usable, 'L'));
    EXPECT_EQ(levelsText(buf.device(), 2, 0, 12 + usable), std::string(12 + usable, 'H'));
    restoreOutputImage(buf.all, usable, buf.backup);
    EXPECT_EQ(buf.image(0), channelBit(2) | 0x700); // the clearing stays in the document
    EXPECT_EQ(buf.image(9), channelBit(2));
}

TEST(OutputImage, FusedWalkMatchesTheStepByStepPreparation) {
    std::mt19937 generator(12345);
    auto random = [&] { return static_cast<unsigned>(generator()); };
    const unsigned commandPool[] = {0x700, 0x609, 0x600, 0x8FF, 0x2FF, 0x900, 0x801, 0x200, 0x100,
                                    0x300, 0x500, 0xC00, 0xB80, 0x2AA, 0x4FE, 0xA00, 0xF12};
    // Sizes around the walk's 64-sample blocks, and images shorter than the command lead.
    const int sizes[] = {1, 2, 3, 4, 63, 64, 65, 128, 200, 255, 256, 257, 700};
    for (int round = 0; round < 1300; ++round) {
        const int n = sizes[round % std::size(sizes)];
        SCOPED_TRACE(testing::Message() << "round " << round << ", " << n << " samples");
        Buffer buf(n);
        const int changes = static_cast<int>(random() % 6);
        Sample level = 0;
        for (int i = 0; i < n; ++i) {
            if (changes && random() % (n / changes + 1) == 0)
                level = (Sample{random()} << 32 | random()) & ~commandMask;
            buf.image(i) = level;
        }
        const int commands = static_cast<int>(random() % 12);
        for (int c = 0; c < commands; ++c) {
            // Half of the commands land next to a block boundary.
            int at = random() % 2 ? static_cast<int>(random() % n)
                                  : 64 * static_cast<int>(random() % 11) - 3 + static_cast<int>(random() % 6);
            if (at < 0 || at >= n) continue;
            if (random() % 3 == 0 && at + 2 < n)
                buf.put(at, {0x800 | (random() & 0xFF), 0x200 | (random() % 2), random() % 2 ? 0x900u : 0x100u});
            else
                buf.put(at, {commandPool[random() % std::size(commandPool)]});
        }
        // Every other round goes through the whole document path with some channels unlabelled.
        const bool document = round % 2 == 1;
        LabelTable labels{};
        for (int l = 0, bit = static_cast<int>(random() % 8); bit < 64 && l < 30; bit += 1 + random() % 4, ++l) {
            labels[l].bitIndex = bit;
            labels[l].positionCode = positionSingle;
        }
        std::vector<Sample> expected = buf.all, expectedBackup(static_cast<std::size_t>(n));
        if (document) clearUnlabelledChannels(std::span<Sample>(expected).subspan(prefixSamples, n), labels);
        fillOutputPrefix(expected);
        if (!document) fillOutputPrefix(buf.all);
        const int used = usedSampleCount(expected, n);
        PreparedOutput want = referencePrepare(expected, n, expectedBackup);
        PreparedOutput got = document ? prepareDocumentForOutput(buf.all, n, labels, buf.backup)
                                      : prepareOutputImage(buf.all, n, buf.backup);
        ASSERT_EQ(got.end, want.end);
        ASSERT_EQ(got.lengthSamples, want.lengthSamples);
        ASSERT_EQ(used, want.end - 11);
        ASSERT_EQ(buf.all, expected);
        ASSERT_EQ(buf.backup, expectedBackup);
    }
}

} // namespace
} // namespace qv
