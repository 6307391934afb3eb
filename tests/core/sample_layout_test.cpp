#include "waveedit/label.h"
#include "waveedit/sample.h"

#include <gtest/gtest.h>

namespace qv {

TEST(SampleLayout, ChannelAndCommandBits) {
    // Bit index 5 is a command bit; channel 5 is bit 17.
    EXPECT_EQ(channelBit(5), Sample{1} << 17);
    Sample s = channelBit(49) | 0xABC;
    EXPECT_TRUE(channelLevel(s, 49));
    EXPECT_EQ(commandField(withCommand(s, 0x123)), 0x123u);
    EXPECT_TRUE(channelLevel(withCommand(s, 0x123), 49));
    EXPECT_EQ(deviceAddress(0), 12);
}

} // namespace qv
