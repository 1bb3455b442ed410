#include "serial/SyncBus.h"

#include <gtest/gtest.h>

namespace {

std::vector<uint8_t> wire(const TSynchroBus& bus, const TProtok& f) {
    return std::vector<uint8_t>(f.begin(), f.begin() + bus.DataBytes() + 4);
}

} // namespace

TEST(BusFrame, BuildSealsStartIdChecksumAndZeroData) {
    TSynchroBus bus;
    TProtok f;
    f.fill(0xAA);
    bus.BuildMsg(0x61, 0x11, "", f);
    EXPECT_EQ(wire(bus, f), (std::vector<uint8_t>{0x53, 0x61, 0x11, 0x11, 0, 0, 0, 0, 0, 0, 0, 0}));
    for (size_t i = 12; i < f.size(); ++i)
        ASSERT_EQ(f[i], 0) << i;
}

TEST(BusFrame, DataIsCutToDataBytesAndChecksumWraps) {
    TSynchroBus bus;
    TProtok f;
    bus.BuildMsg(0x61, 0xF0, std::string("\xF0\x20\x01\x02\x03\x04\x05\x06\x07\x08", 10), f);
    EXPECT_EQ(f[11], 0x06);
    EXPECT_EQ(f[12], 0x00) << "bytes beyond DataBytes stay zero";
    EXPECT_EQ(f[2], static_cast<uint8_t>(0xF0 + 0xF0 + 0x20 + 1 + 2 + 3 + 4 + 5 + 6));
    TProtok g = f;
    g[1] = 0xEC;
    EXPECT_EQ(bus.MsgChecksum(g), bus.MsgChecksum(f)) << "the Id is not summed";
}

TEST(BusFrame, DataRoutinesDropTrailingZeros) {
    TSynchroBus bus;
    EXPECT_EQ(bus.IntToMsgData(0), "");
    EXPECT_EQ(bus.IntToMsgData(0x0100), std::string("\x00\x01", 2));
    EXPECT_EQ(bus.IntToMsgData(-1), std::string(4, '\xFF'));
    bus.SetDataBytes(2);
    EXPECT_EQ(bus.IntToMsgData(0x00030201), std::string("\x01\x02", 2));
    bus.SetDataBytes(8);
    TProtok f;
    bus.BuildMsg(0x61, 0x20, std::string("\x31\x00\x32", 3), f);
    EXPECT_EQ(bus.MsgDataToStr(f), std::string("\x31\x00\x32", 3));
    bus.BuildMsg(0x61, 0x20, "", f);
    EXPECT_EQ(bus.MsgDataToStr(f), "");
}

TEST(BusFrame, FormatMatchesTheLogLayout) {
    TSynchroBus bus;
    TProtok f;
    bus.BuildMsg(0x61, 0x11, "", f);
    EXPECT_EQ(bus.FormatMsg(f), "S <$61> { 17} [$11/ 17] 00 00 00 00 00 00 00 00");
    bus.BuildMsg(0xEC, 0x3B, std::string("\xAB\x01", 2), f);
    EXPECT_EQ(bus.FormatMsg(f), "S <$EC> {231} [$3B/ 59] AB 01 00 00 00 00 00 00");
}

TEST(BusProperties, OutOfRangeValuesAreIgnored) {
    TSynchroBus bus;
    EXPECT_EQ(bus.Version(), "1.023");
    bus.SetTickTime(0);
    bus.SetTickTime(10001);
    EXPECT_EQ(bus.TickTime(), 1000u);
    bus.SetTickTime(10000);
    EXPECT_EQ(bus.TickTime(), 10000u);
    bus.SetPriority(platform::TThreadPriority::tpTimeCritical);
    EXPECT_EQ(bus.Priority(), platform::TThreadPriority::tpIdle);
    bus.SetDataBytes(0);
    bus.SetDataBytes(256);
    EXPECT_EQ(bus.DataBytes(), 8);
    EXPECT_EQ(bus.MsgTimeOut(), 200);
    EXPECT_EQ(bus.CharTimeOut(), 100);
    EXPECT_EQ(bus.maxTry(), 3);
    EXPECT_EQ(bus.WriteLog(), (TWriteLogSet{TWriteLog::wpError, TWriteLog::wpReceive, TWriteLog::wpSend}));
}
