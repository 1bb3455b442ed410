#pragma once

#include "serial/BusPort.h"

#include <functional>
#include <vector>

// A port that records what the bus hands it and lets a test feed received blocks.
class FakeBusPort final : public TBusPort {
public:
    using TBusPort::TBusPort;

    bool SendData(const uint8_t* buffer, uint16_t count) override {
        sent.emplace_back(buffer, buffer + count);
        const bool ok = failures > 0 ? (--failures, false) : true;
        if (ok && onSent)
            onSent(sent.back());
        return ok;
    }

    void deliver(const std::vector<uint8_t>& bytes) {
        if (auto h = OnReceiveBData())
            h(bytes.data(), static_cast<uint16_t>(bytes.size()));
    }

    std::vector<std::vector<uint8_t>> sent;
    int failures = 0; // the next n hand-overs fail
    std::function<void(const std::vector<uint8_t>&)> onSent;
};

// A whole 12-byte frame with a good checksum, or a bad one when asked.
inline std::vector<uint8_t> frameBytes(uint8_t id, uint8_t sub, const std::vector<uint8_t>& data = {},
                                       bool badSum = false) {
    std::vector<uint8_t> f(12, 0);
    f[0] = 0x53;
    f[1] = id;
    f[3] = sub;
    unsigned sum = sub;
    for (size_t i = 0; i < data.size() && i < 8; ++i) {
        f[4 + i] = data[i];
        sum += data[i];
    }
    f[2] = static_cast<uint8_t>(sum + (badSum ? 1 : 0));
    return f;
}
