#include "waveedit/document.h"
#include "waveedit/labels.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace qv {
namespace {

// An allocator that refuses the first requests (or anything above a limit), to walk the undo
// store's fall-backs.
int refusals = 0;
std::vector<std::size_t> requests;
std::unique_ptr<std::uint8_t[]> refusingAllocator(std::size_t bytes) {
    requests.push_back(bytes);
    return refusals-- > 0 ? nullptr : allocateUndoStore(bytes);
}
std::size_t allocationLimit = 0;
std::unique_ptr<std::uint8_t[]> limitedAllocator(std::size_t bytes) {
    return bytes > allocationLimit ? nullptr : allocateUndoStore(bytes);
}

std::unique_ptr<Document> smallDocument() {
    auto doc = Document::create(capabilitiesFor(0xA020), true);
    EXPECT_NE(doc, nullptr);
    return doc;
}

TEST(Document, SizesFollowTheModel) {
    struct Case {
        int model;
        int usableSamples;
        int bufferSamples;
    } cases[] = {
        {0, 524264, 1048576 + 22}, // demo mode: the fallback row's special usable length
        {0xA020, 65536 - 24, 65536 + 22},
        {0xCD16, 2097152 - 24, 2097152 + 22},
    };
    for (const Case& c : cases) {
        auto doc = Document::create(capabilitiesFor(c.model), c.model != 0);
        ASSERT_NE(doc, nullptr);
        EXPECT_EQ(doc->usableSamples(), c.usableSamples) << c.model;
        EXPECT_EQ(doc->sampleBuffer().size(), static_cast<std::size_t>(c.bufferSamples));
        EXPECT_EQ(doc->image(), doc->sampleBuffer().data() + 12);
        EXPECT_EQ(doc->highestCommandTarget(), c.usableSamples - 13);
        EXPECT_EQ(doc->waveformUndoCapacity(), 2u * c.bufferSamples * 8);
    }
}

TEST(Document, DemoGrowthStaysInsideTheBuffer) {
    auto doc = Document::create(capabilitiesFor(0), false);
    ASSERT_NE(doc, nullptr);
    doc->setUsableSampleBytes(1 << 30);
    EXPECT_EQ(doc->usableSamples(), 1048576 - 24);
    // The closing loop goes up to 7 samples behind the used length, inside the buffer.
    EXPECT_LE(doc->usableSamples() + 8, doc->imageCapacitySamples());
    doc->setUsableSampleBytes(800 + 3);
    EXPECT_EQ(doc->usableSampleBytes(), 800);
}

TEST(Document, UndoStoreFallsBackInOrder) {
    const Capabilities caps = capabilitiesFor(0xA020);
    const std::size_t buffer = caps.sampleBufferBytes, usable = caps.usableSampleBytes;
    const std::vector<std::size_t> order{2 * buffer, buffer, 2 * usable, usable};
    for (int refused = 0; refused <= 4; ++refused) {
        refusals = refused;
        requests.clear();
        auto doc = Document::create(caps, true, refusingAllocator);
        if (refused == 4) {
            EXPECT_EQ(doc, nullptr); // no undo store at all: memory not enough
            EXPECT_EQ(requests, order);
        } else {
            ASSERT_NE(doc, nullptr);
            EXPECT_EQ(doc->waveformUndoCapacity(), order[refused]);
        }
    }
}

TEST(Document, WaveformUndoKeepsThirtyOneOperations) {
    auto doc = smallDocument();
    for (int op = 1; op <= 40; ++op) {
        ASSERT_TRUE(doc->saveWaveformUndo(op, 3));
        for (int i = op; i < op + 3; ++i) doc->image()[i] = static_cast<Sample>(op) << 20;
    }
    int undone = 0;
    while (doc->undoWaveform()) ++undone;
    EXPECT_EQ(undone, 31);
    // Operations 10..40 are undone; 1..9 are not (sample 1 still holds op 1's value, ...).
    EXPECT_EQ(doc->image()[1], Sample{1} << 20);
    EXPECT_EQ(doc->image()[9], Sample{9} << 20); // op 9 is kept
    EXPECT_EQ(doc->image()[11], Sample{9} << 20); // undoing op 10 brought back what op 9 wrote
    EXPECT_EQ(doc->image()[12], 0u);
    EXPECT_EQ(doc->image()[42], 0u);
    EXPECT_FALSE(doc->canUndoWaveform());
}

TEST(Document, WaveformUndoDropsOldestWhenTheStoreIsFullAndWraps) {
    // A store of exactly the usable bytes (every larger size refused).
    const Capabilities caps = capabilitiesFor(0xA020);
    allocationLimit = caps.usableSampleBytes;
    auto doc = Document::create(caps, true, limitedAllocator);
    ASSERT_NE(doc, nullptr);
    const int n = doc->usableSamples();
    const int chunk = n * 2 / 5; // two fit, a third pushes the first out and wraps round the end
    auto fill = [&](int first, Sample v) {
        for (int i = first; i < first + chunk; ++i) doc->image()[i] = v + static_cast<Sample>(i);
    };
    fill(0, 0x1000);
    ASSERT_TRUE(doc->saveWaveformUndo(0, chunk));
    fill(0, 0x2000);
    ASSERT_TRUE(doc->saveWaveformUndo(chunk, chunk));
    fill(chunk, 0x3000);
    ASSERT_TRUE(doc->saveWaveformUndo(n - chunk, chunk)); // wraps in the store
    fill(n - chunk, 0x4000);
    EXPECT_TRUE(doc->undoWaveform());
    EXPECT_EQ(doc->image()[n - 1], 0u); // never written before
    EXPECT_EQ(doc->image()[n - chunk], 0x3000u + static_cast<Sample>(n - chunk)); // inside the second change
    EXPECT_TRUE(doc->undoWaveform());
    EXPECT_EQ(doc->image()[chunk], 0u);
    EXPECT_EQ(doc->image()[0], 0x2000u); // the first save was dropped: its change stays
    EXPECT_FALSE(doc->undoWaveform());
}

TEST(UndoRing, RangeLargerThanTheStoreIsRefusedAndEmptiesTheRing) {
    UndoRing<std::uint8_t> ring(std::make_unique<std::uint8_t[]>(10), 10);
    std::uint8_t bytes[11] = {1, 2, 3};
    ASSERT_TRUE(ring.save(5, {bytes, 4}));
    EXPECT_FALSE(ring.save(0, {bytes, 11}));
    EXPECT_TRUE(ring.empty());
    ASSERT_TRUE(ring.save(7, {bytes, 10})); // exactly the store
    UndoRing<std::uint8_t>::Entry e;
    ASSERT_TRUE(ring.newest(e));
    EXPECT_EQ(e.origin, 7);
    std::uint8_t out[10] = {};
    ring.copyOut(e, out);
    EXPECT_EQ(std::memcmp(out, bytes, 10), 0);
}

TEST(Document, LabelUndoKeepsThirtyOneSnapshots) {
    auto doc = smallDocument();
    doc->labels()[0] = LabelRecord{12, 0, 0, "A", "", 0, 0, positionSingle, 0, 0, 0};
    for (int op = 1; op <= 40; ++op) {
        ASSERT_TRUE(doc->saveLabelUndo());
        doc->labels()[0].colour = op;
    }
    int undone = 0;
    while (doc->undoLabels()) ++undone;
    EXPECT_EQ(undone, 31);
    EXPECT_EQ(doc->labels()[0].colour, 9);
    EXPECT_EQ(labelRecordCount(doc->labels()), 1);
}

TEST(Document, LabelUndoDropsSnapshotsThatNoLongerFit) {
    auto doc = smallDocument();
    resetToDefaultLabels(doc->labels()); // 13-record snapshots: 19 fit in 256 records
    for (int op = 1; op <= 25; ++op) {
        ASSERT_TRUE(doc->saveLabelUndo());
        doc->labels()[0].colour = op;
    }
    int undone = 0;
    while (doc->undoLabels()) ++undone;
    EXPECT_EQ(undone, 256 / 13);
}

TEST(Document, LabelUndoStoreHoldsOneFullTable) {
    auto doc = smallDocument();
    for (int i = 0; i < maxLabels; ++i)
        doc->labels()[i] = LabelRecord{12, 0, 0, "X", "", 15, 0, positionSingle, 0, 0, 0};
    ASSERT_TRUE(doc->saveLabelUndo());
    doc->labels()[0].colour = 3;
    ASSERT_TRUE(doc->saveLabelUndo()); // 202 + 202 records exceed the 256-record store
    doc->labels()[0].colour = 4;
    EXPECT_TRUE(doc->undoLabels());
    EXPECT_EQ(doc->labels()[0].colour, 3);
    EXPECT_FALSE(doc->undoLabels());
}

TEST(Document, ResetKeepsOrReplacesTheLabels) {
    auto doc = smallDocument();
    doc->labels()[0] = LabelRecord{20, 0, 0, "CLK", "", 15, 0, positionSingle, 0, 0, 0};
    doc->image()[5] = 77;
    doc->sampleBuffer()[0] = 1;
    ASSERT_TRUE(doc->saveWaveformUndo(0, 10));
    ASSERT_TRUE(doc->saveLabelUndo());
    doc->reset(true); // New answered Yes: the samples go, and the undo that would bring them back
    EXPECT_EQ(doc->image()[5], 0u);
    EXPECT_EQ(doc->sampleBuffer()[0], 0u);
    EXPECT_STREQ(doc->labels()[0].name, "CLK");
    EXPECT_FALSE(doc->canUndoWaveform());
    EXPECT_FALSE(doc->canUndoLabels());
    ASSERT_TRUE(doc->saveWaveformUndo(0, 10));
    ASSERT_TRUE(doc->saveLabelUndo());
    doc->reset(false); // New answered No: both undo rings are emptied
    EXPECT_STREQ(doc->labels()[0].name, "QV_Function");
    EXPECT_EQ(labelRecordCount(doc->labels()), 12);
    EXPECT_FALSE(doc->canUndoWaveform());
    EXPECT_FALSE(doc->canUndoLabels());
    EXPECT_FALSE(doc->undoWaveform());
    EXPECT_FALSE(doc->undoLabels());
    EXPECT_EQ(labelRecordCount(doc->labels()), 12);
}

// Whether the document differs from what was saved: any sample bit or label field counts, the
// selection flags do not.
TEST(Document, FingerprintFollowsSamplesAndLabelsButNotSelections) {
    auto doc = smallDocument();
    resetToDefaultLabels(doc->labels());
    EXPECT_FALSE(doc->hasSavedFingerprint());
    doc->markSaved();
    EXPECT_TRUE(doc->hasSavedFingerprint());
    EXPECT_FALSE(doc->differsFromSaved());
    const int last = doc->usableSamples() - 1;
    for (int sample : {0, last}) {
        doc->image()[sample] ^= Sample{1} << 63;
        EXPECT_TRUE(doc->differsFromSaved()) << sample;
        doc->image()[sample] ^= Sample{1} << 63;
        EXPECT_FALSE(doc->differsFromSaved()) << sample;
    }
    doc->image()[last + 1] = 5; // the reserved tail is not the document
    EXPECT_FALSE(doc->differsFromSaved());
    doc->labels()[3].stateFlags = stateLabelSelected | stateRowSelected;
    EXPECT_FALSE(doc->differsFromSaved());
    doc->labels()[11].colour = 3;
    EXPECT_TRUE(doc->differsFromSaved());
    doc->labels()[11].colour = 14;
    doc->labels()[12] = LabelRecord{20, 0, 0, "CLK", "", 15, 0, positionSingle, 0, 0, 0};
    EXPECT_TRUE(doc->differsFromSaved()); // one more label
}

TEST(Document, TheProgramsDocumentIsCreatedOnce) {
    ASSERT_EQ(createDocument(capabilitiesFor(0xA020), true), Msg::None);
    ASSERT_TRUE(hasDocument());
    EXPECT_EQ(document().usableSamples(), 65512);
    destroyDocument();
    EXPECT_FALSE(hasDocument());
}

} // namespace
} // namespace qv
