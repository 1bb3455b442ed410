#pragma once

#include <QObject>

#include <cstdint>
#include <functional>

// What the bus needs of a port: hand a block to it, and be given received blocks.
// The serial port component implements it; tests use a fake.
class TBusPort : public QObject {
    Q_OBJECT
public:
    using TReceiveDataEventB = std::function<void(const uint8_t* buffer, uint16_t count)>;

    explicit TBusPort(QObject* owner = nullptr) : QObject(owner) {}

    // True when the block was taken (not necessarily written yet).
    virtual bool SendData(const uint8_t* buffer, uint16_t count) = 0;

    // The receiver of received blocks. owner tags who installed it, so that it can
    // take back only its own handler.
    void SetOnReceiveBData(TReceiveDataEventB handler, const void* owner = nullptr) {
        onReceiveBData_ = std::move(handler);
        receiverOwner_ = onReceiveBData_ ? owner : nullptr;
    }
    const TReceiveDataEventB& OnReceiveBData() const { return onReceiveBData_; }
    void ReleaseOnReceiveBData(const void* owner) {
        if (owner && receiverOwner_ == owner)
            SetOnReceiveBData(nullptr);
    }

private:
    TReceiveDataEventB onReceiveBData_;
    const void* receiverOwner_ = nullptr;
};
