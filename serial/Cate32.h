#pragma once

#include "platform/comm_port.h"
#include "platform/event_pump.h"
#include "serial/BusPort.h"
#include "serial/CateThreads.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

enum class TPort { NoPort, Com1, Com2, Com3, Com4, Com5, Com6, Com7, Com8, Com9 };
enum class TBaudRate {
    ____110,
    ____300,
    ____600,
    ___1200,
    ___2400,
    ___4800,
    ___9600,
    __14400,
    __19200,
    __38400,
    __56000,
    _128000,
    _256000
};
enum class TParity { None, Odd, Even, Mark, Space };
enum class TDataBits { _4, _5, _6, _7, _8 };
enum class TStopBits { _1, _1_5, _2 };
enum class TMode { Disable, Enable, Handshake, Toggle };
using TRtsMode = TMode;
using TDtrMode = TMode;

enum class TDCBFlag {
    dcbBinaryMode,
    dcbParityCheck,
    dcbOutxCtsFlowCtrl,
    dcbOutxDsrFlowCtrl,
    dcbDsrSensitivity,
    dcbTXContinueOnXoff,
    dcbOutX,
    dcbInX,
    dcbErrorChar,
    dcbNull,
    dcbAbortOnError
};

class TDCBFlags {
public:
    constexpr TDCBFlags() = default;
    constexpr TDCBFlags(std::initializer_list<TDCBFlag> items) {
        for (TDCBFlag f : items)
            bits_ |= 1u << static_cast<unsigned>(f);
    }
    constexpr bool contains(TDCBFlag f) const { return bits_ & (1u << static_cast<unsigned>(f)); }
    constexpr bool operator==(const TDCBFlags&) const = default;
    // The bits of the device control block's flag word.
    uint32_t dcbBits() const;

private:
    uint32_t bits_ = 0;
};

uint32_t BaudRateValue(TBaudRate rate);

class ECommsError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TCate : public TBusPort {
    Q_OBJECT
public:
    using TNotifyEvent = std::function<void(TCate& sender)>;
    using TLineChangeEvent = std::function<void(TCate& sender, bool status)>;
    using TReceiveDataEventS = std::function<void(TCate& sender, const std::string& data)>;
    using TCommOpener = std::function<std::unique_ptr<platform::CommDevice>(
        int portNumber, platform::CommOpenStatus& status)>;

    explicit TCate(QObject* owner = nullptr);
    ~TCate() override;

    // End of loading: a port set before opens now.
    void Loaded();

    std::string Version() const { return "1.024"; }
    void SetVersion(const std::string&) {}
    TPort Port() const { return port_; }
    void SetPort(TPort port);
    TBaudRate BaudRate() const { return baudRate_; }
    void SetBaudRate(TBaudRate value);
    TParity Parity() const { return parity_; }
    void SetParity(TParity value);
    TDataBits DataBits() const { return dataBits_; }
    void SetDataBits(TDataBits value);
    TStopBits StopBits() const { return stopBits_; }
    void SetStopBits(TStopBits value);
    TRtsMode RtsMode() const { return rtsMode_; }
    void SetRtsMode(TRtsMode value);
    TDtrMode DtrMode() const { return dtrMode_; }
    void SetDtrMode(TDtrMode value);
    bool CtsState() const;
    bool DsrState() const;
    char ErrorChar() const { return errorChar_; }
    void SetErrorChar(char value);
    TDCBFlags Flags() const { return flags_; }
    void SetFlags(TDCBFlags value);
    uint32_t WriteBufferSize();
    void SetWriteBufferSize(uint32_t value);
    uint32_t ReadBufferSize();
    void SetReadBufferSize(uint32_t value);
    std::string LogfileName() const { return logfileName_; }
    void SetLogfileName(const std::string& name);
    bool LogTicks() const { return logTicks_; }
    void SetLogTicks(bool on) { logTicks_ = on; }
    uint32_t ReadInterval() const { return readInterval_; }
    void SetReadInterval(uint32_t ms);
    uint32_t ReadTotalTimeoutMultiplier() const { return readTotalMultiplier_; }
    void SetReadTotalTimeoutMultiplier(uint32_t ms);
    uint32_t ReadTotalTimeoutConstant() const { return readTotalConstant_; }
    void SetReadTotalTimeoutConstant(uint32_t ms);
    bool CreateExceptions() const { return createExceptions_; }
    void SetCreateExceptions(bool on) { createExceptions_ = on; }

    // Events, in the UI thread. OnReceiveBData is the port's (TBusPort).
    TReceiveDataEventS OnReceiveSData;
    TNotifyEvent OnRequestHangup;
    TNotifyEvent OnFrameError;
    TNotifyEvent OnOverrunError;
    TNotifyEvent OnRxParityError;
    TNotifyEvent OnBreak;
    TLineChangeEvent OnCTSChange;
    TLineChangeEvent OnDSRChange;
    TNotifyEvent OnCharReceived;
    TNotifyEvent OnLastCharSent;
    TNotifyEvent OnConnect;
    TNotifyEvent OnDisconnect;

    // Hands a copy of the bytes to the write thread; true = handed over, not yet written.
    bool SendData(const uint8_t* buffer, uint16_t count) override;

    // Where ports come from: which device a port is, and a fake device behind it in tests.
    void SetCommOpener(TCommOpener opener);
    // How the last open went: why it failed, the error number and the device tried.
    const platform::CommOpenStatus& OpenStatus() const { return openStatus_; }

    // The notifications of the port threads.
    void CateWndProc(uint32_t msg, uintptr_t wParam, std::vector<uint8_t> block);

private:
    bool IsOpen() const { return device_ != nullptr; }
    void ApplyState(const std::function<void(platform::CommState&)>& change);
    void ApplyTimeouts(const std::function<void(platform::CommTimeouts&)>& change);
    void ClosePort();
    void CloseReadThread();
    void CloseWriteThread();
    void EndThread(TPortThread& thread, const char* closing, const char* notEnding, uint32_t purge);
    bool QueryQueueSizes();
    bool DrainWriteQueue();
    void DeliverReceivedData(const uint8_t* buffer, uint16_t count);
    void DoRequestHangup(uintptr_t thread);
    void Fire(const TNotifyEvent& event);
    bool FailOpen(const char* message, int error = 0);

    TPort port_ = TPort::NoPort;
    TBaudRate baudRate_ = TBaudRate::___9600;
    TParity parity_ = TParity::None;
    TDataBits dataBits_ = TDataBits::_8;
    TStopBits stopBits_ = TStopBits::_1;
    TRtsMode rtsMode_ = TMode::Disable;
    TDtrMode dtrMode_ = TMode::Disable;
    char errorChar_ = 0;
    TDCBFlags flags_{TDCBFlag::dcbBinaryMode};
    uint32_t writeBufferSize_ = 0;
    uint32_t readBufferSize_ = 4096;
    std::string logfileName_;
    bool logTicks_ = false;
    uint32_t readInterval_ = 1;
    uint32_t readTotalMultiplier_ = 0;
    uint32_t readTotalConstant_ = 0;
    bool createExceptions_ = false;

    bool loaded_ = false;
    std::shared_ptr<platform::CommDevice> device_;
    std::shared_ptr<platform::CommEvent> closeEvent_;
    std::unique_ptr<TReadThread> readThread_;
    std::unique_ptr<TWriteThread> writeThread_;
    bool readReady_ = false;
    bool writeReady_ = false;
    bool setupFailed_ = false;
    bool hangupReported_ = false;
    bool drained_ = false;
    uint64_t openCount_ = 0;
    TCommOpener opener_;
    platform::CommOpenStatus openStatus_;
    std::unique_ptr<platform::Notifier> window_;
};
