// The records the tester double started by hand holds, and the count it reports for them.
#include "records/StoredRecord.h"
#include "tester/WerteSatz.h"
#include "tests/support/demo_records.h"
#include "tests/support/stored_records_double.h"
#include "tests/support/tester_double.h"
#include "tests/support/tester_script.h"
#include "tests/support/tester_sequence.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

StoredTestRecord recordOf(const std::vector<uint8_t>& bytes) {
    StoredTestRecord r;
    for (size_t i = 0; i < bytes.size(); ++i)
        r.Part[i / 8][i % 8] = bytes[i];
    return r;
}

TStagingRow decode(const std::vector<uint8_t>& bytes) {
    return DecodeStoredRecord(recordOf(bytes), 1, TRecordStamp{});
}

// Bit k set when measurement k applies and its value lies beyond its limit.
int beyondLimits(const TStagingRow& r) {
    const uint8_t menu = static_cast<uint8_t>(r.Menueflags);
    const int enables = ComputeEnables(menu & 0x04, menu & 0x40, menu & 0x02, menu & 0x10, r.Schutzklasse, 0);
    const int32_t values[7] = {r.Schutzleiterwid,    r.Isolationswid,   r.Ableitstrom,
                               r.SchutzlStromL1N,    r.SchutzlStromNL1, r.BeruehrungsstromL1N,
                               r.BeruehrungsstromNL1};
    const int32_t limits[7] = {r.GrwSchutzleiterwid,   r.GrwIsolationswid,     r.GrwAbleitstrom,
                               r.GrwSchutzleiterstrom, r.GrwSchutzleiterstrom, r.GrwBeruehrungsstrom,
                               r.GrwBeruehrungsstrom};
    int beyond = 0;
    for (int k = 0; k < 7; ++k) {
        if (!(enables & (1 << k)))
            continue;
        EXPECT_GE(values[k], 0) << "measurement " << k << " applies but was not made";
        EXPECT_GT(limits[k], 0) << "measurement " << k << " has no limit";
        const bool out = k == 1 ? values[k] < limits[k] : values[k] > limits[k];
        if (out)
            beyond |= 1 << k;
    }
    return beyond;
}

TEST(DemoRecordsTest, ShowPassedLimitFailedAndOpenInspectionWithAndWithoutBarcode) {
    int passed = 0, limitFailed = 0, open = 0, withBarcode = 0, withoutBarcode = 0;
    for (const std::vector<uint8_t>& bytes : DemoRecords()) {
        const TStagingRow r = decode(bytes);
        // The flags the tester stored agree with the values and limits it stored.
        EXPECT_EQ(beyondLimits(r), r.Grenzwertflags) << r.Barcode.toStdString();
        EXPECT_EQ((r.Messablauf & 0x02) != 0, r.Grenzwertflags != 0);
        if (r.Sichtpruef == 1 && r.Pruefungsergebnis && r.Grenzwertflags == 0)
            ++passed;
        if (r.Sichtpruef == 1 && !r.Pruefungsergebnis && r.Grenzwertflags != 0)
            ++limitFailed;
        if (r.Sichtpruef == -1)
            ++open;
        (r.Barcode.isEmpty() ? withoutBarcode : withBarcode)++;
    }
    EXPECT_GE(passed, 1);
    EXPECT_GE(limitFailed, 1);
    EXPECT_GE(open, 1);
    EXPECT_GE(withBarcode, 1);
    EXPECT_GE(withoutBarcode, 1);
}

// The double as tools/run-with-tester-double starts it, seen from the serial line.
class DemoTesterTest : public ::testing::Test {
protected:
    void SetUp() override {
        tester.withState([](TesterDouble::State& state) { state.settings[2] = 1; });
        memory.setRecords(DemoRecords());
        ASSERT_TRUE(tester.start());
        fd = ::open(tester.slavePath().c_str(), O_RDWR | O_NOCTTY);
        ASSERT_GE(fd, 0);
        termios t{};
        ::tcgetattr(fd, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(fd, TCSANOW, &t);
    }
    void TearDown() override {
        if (fd >= 0)
            ::close(fd);
        tester.stop();
    }

    void send(uint8_t sub, const std::vector<uint8_t>& data) {
        const std::vector<uint8_t> bytes = tester.frame(TesterDouble::IdPc, sub, data);
        ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }

    // Data bytes of the next tester frame with this sub code, read within two seconds.
    std::optional<std::vector<uint8_t>> frameOf(uint8_t sub) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        while (std::chrono::steady_clock::now() < end) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0)
                continue;
            uint8_t b[64];
            const ssize_t n = ::read(fd, b, sizeof b);
            if (n > 0)
                rx.insert(rx.end(), b, b + n);
            while (rx.size() >= 12) {
                if (rx[0] != 'S') {
                    rx.erase(rx.begin());
                    continue;
                }
                const std::vector<uint8_t> f(rx.begin(), rx.begin() + 12);
                rx.erase(rx.begin(), rx.begin() + 12);
                if (f[3] == sub)
                    return std::vector<uint8_t>(f.begin() + 4, f.end());
            }
        }
        return std::nullopt;
    }

    int reportedCount() {
        const std::optional<std::vector<uint8_t>> d = frameOf(0x33);
        return d ? (*d)[0] | ((*d)[1] << 8) : -1;
    }

    TesterDouble tester;
    TesterScript script{tester, 50};
    StoredRecordsDouble memory{tester};
    TesterSequence sequence{script, 10};
    int fd = -1;
    std::vector<uint8_t> rx;
};

TEST_F(DemoTesterTest, ReportsTheRecordsItHoldsBeforeAndAfterAFinishedTestAndAClear) {
    const int demo = static_cast<int>(DemoRecords().size());
    send(0x33, {});
    EXPECT_EQ(reportedCount(), demo);
    send(0x67, {0x08, 0x00}); // autosend of the record count
    EXPECT_EQ(reportedCount(), demo);

    // A finished test is one more record that a fetch can read.
    sequence.setSteps(0x01);
    send(0x66, {0x01, 0, 1, 0, 0, 0, 0x40, 1}); // automatic, class I, inspection passed, start
    ASSERT_TRUE(frameOf(0x66));
    int count = -1;
    for (int i = 0; i < 20 && count != demo + 1; ++i)
        count = reportedCount();
    EXPECT_EQ(count, demo + 1);
    EXPECT_EQ(memory.recordCount(), static_cast<size_t>(demo + 1));
    const TStagingRow stored = decode(tester.state().records.back());
    EXPECT_EQ(stored.Schutzleiterwid, TesterSequence::EndValues[0]);
    EXPECT_EQ(stored.Sichtpruef, 1);

    send(0x66, {0x01, 0, 1, 0, 0, 0, 0x40, 16}); // clear the record memory
    ASSERT_TRUE(frameOf(0x66));
    for (int i = 0; i < 20 && count != 0; ++i)
        count = reportedCount();
    EXPECT_EQ(count, 0);
    EXPECT_EQ(memory.recordCount(), 0u);
}

} // namespace
