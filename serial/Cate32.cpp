#include "serial/Cate32.h"

#include "platform/log_file.h"
#include "serial/PortLog.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <system_error>

namespace {

constexpr uint32_t maxDword = 0xFFFFFFFFu;
// How long a close lets the write thread finish what it was handed.
constexpr int drainBoundMs = 500;
constexpr int threadEndMs = 10000;

} // namespace

uint32_t TDCBFlags::dcbBits() const {
    static const uint32_t bits[] = {0x0001, 0x0002, 0x0004, 0x0008, 0x0040, 0x0080,
                                    0x0100, 0x0200, 0x0400, 0x0800, 0x4000};
    uint32_t w = 0;
    for (unsigned i = 0; i < 11; ++i)
        if (bits_ & (1u << i))
            w |= bits[i];
    return w;
}

uint32_t BaudRateValue(TBaudRate rate) {
    static const uint32_t values[] = {110,   300,   600,   1200,  2400,   4800,  9600,
                                      14400, 19200, 38400, 56000, 128000, 256000};
    return values[static_cast<int>(rate)];
}

// ---- component ----

TCate::TCate(QObject* owner) : TBusPort(owner) {
    opener_ = [](int n, platform::CommOpenStatus& status) { return platform::openCommPort(n, status); };
    window_ = std::make_unique<platform::Notifier>();
    PortLog& log = portLog();
    log.file.close();
    log.name.clear();
}

TCate::~TCate() {
    SetPort(TPort::NoPort);
    window_.reset();
}

void TCate::Loaded() {
    loaded_ = true;
    SetPort(port_);
}

void TCate::SetCommOpener(TCommOpener opener) {
    opener_ = std::move(opener);
}

void TCate::Fire(const TNotifyEvent& event) {
    if (event) {
        TNotifyEvent handler = event;
        handler(*this);
    }
}

// error: a failure after the device opened, which the status does not hold yet.
bool TCate::FailOpen(const char* message, int error) {
    port_ = TPort::NoPort;
    if (openStatus_.why == platform::CommOpenError::None) {
        openStatus_.why = platform::CommOpenError::OpenFailed;
        openStatus_.error = error;
    }
    if (createExceptions_)
        throw ECommsError(message);
    return false;
}

void TCate::SetPort(TPort port) {
    if (!loaded_) {
        port_ = port;
        return;
    }
    if (IsOpen())
        ClosePort();
    if (port == TPort::NoPort) {
        const TPort old = port_;
        port_ = TPort::NoPort;
        if (old != TPort::NoPort)
            Fire(OnDisconnect);
        return;
    }
    port_ = port;
    const int number = static_cast<int>(port);
    WriteCateLog("Schnittstelle auf COM" + std::to_string(number) + " wird geöffnet");

    openStatus_ = platform::CommOpenStatus{};
    std::unique_ptr<platform::CommDevice> device = opener_ ? opener_(number, openStatus_) : nullptr;
    if (!device) {
        const int error = openStatus_.error;
        if (openStatus_.why == platform::CommOpenError::NotCommHandle)
            FailOpen("File Handle ist kein Comm Handle.", error);
        else
            FailOpen("Fehler beim Öffnen der Schnittstelle", error ? error : ENODEV);
        return;
    }
    openStatus_ = platform::CommOpenStatus{platform::CommOpenError::None, 0, openStatus_.device};
    device_ = std::move(device);
    device_->setupComm(readBufferSize_, writeBufferSize_);
    platform::CommTimeouts t;
    device_->getCommTimeouts(t);
    t.readTotalMultiplier = t.readTotalConstant = t.writeTotalMultiplier = t.writeTotalConstant = 0;
    device_->setCommTimeouts(t);
    SetReadInterval(readInterval_);
    SetReadTotalTimeoutMultiplier(readTotalMultiplier_);
    SetReadTotalTimeoutConstant(readTotalConstant_);
    SetBaudRate(baudRate_);
    SetParity(parity_);
    SetDataBits(dataBits_);
    SetStopBits(stopBits_);
    SetRtsMode(rtsMode_);
    SetDtrMode(dtrMode_);
    SetFlags(flags_);
    device_->purgeComm(platform::PURGE_TXCLEAR | platform::PURGE_RXCLEAR);

    auto closeEvent = std::make_shared<platform::CommEvent>();
    if (const platform::CommResult created = closeEvent->create(); !created) {
        const int error = created.error;
        port_ = TPort::NoPort;
        openStatus_.why = platform::CommOpenError::OpenFailed;
        openStatus_.error = error;
        LogCommError(error, 528);
        device_.reset();
        return;
    }
    closeEvent_ = std::move(closeEvent);
    readReady_ = writeReady_ = false;
    setupFailed_ = false;
    hangupReported_ = false;

    // Ready and hang-up reports of an earlier open may still be queued; they must not
    // decide this one.
    const uint64_t open = ++openCount_;
    platform::Notifier::Poster poster = window_->poster();
    auto post = [poster, this, open](uint32_t msg, uintptr_t wParam, std::vector<uint8_t> block) {
        return poster.post([this, open, msg, wParam, block = std::move(block)]() mutable {
            if (open != openCount_ && (msg == CM_READY || msg == CM_HANGUP))
                return;
            CateWndProc(msg, wParam, std::move(block));
        });
    };

    auto reader = std::make_unique<TReadThread>(device_, closeEvent_, post);
    try {
        reader->Create();
    } catch (const std::system_error& e) {
        LogCommError(e.code().value(), 539);
        WriteCateLog("Read Thread konnte nicht erzeugt werden!");
        ClosePort();
        FailOpen("Read Thread wurde nicht erzeugt.", e.code().value());
        return;
    }
    readThread_ = std::move(reader);
    WriteCateLog("Read Thread wurde erzeugt");
    readThread_->Resume();
    readThread_->SetPriority(platform::TThreadPriority::tpHighest);

    auto writer = std::make_unique<TWriteThread>(device_, closeEvent_, post);
    try {
        writer->Create();
    } catch (const std::system_error& e) {
        LogCommError(e.code().value(), 562);
        WriteCateLog("Write Thread konnte nicht erzeugt werden!");
        ClosePort();
        FailOpen("Write Thread wurde nicht erzeugt.", e.code().value());
        return;
    }
    writeThread_ = std::move(writer);
    WriteCateLog("Write Thread wurde erzeugt");
    writeThread_->Resume();
    writeThread_->SetPriority(platform::TThreadPriority::tpHigher);

    // A thread that fails its set-up reports a hang-up instead of being ready.
    // The wait runs the event loop: a handler may close the port or open it anew meanwhile,
    // and then this open is over.
    const auto overtaken = [this, open] { return open != openCount_ || !IsOpen(); };
    platform::waitUntil([&] { return (readReady_ && writeReady_) || setupFailed_ || overtaken(); },
                        INT64_MAX / 2);
    if (overtaken())
        return;
    if (!readReady_ || !writeReady_) {
        ClosePort();
        FailOpen("Fehler beim Öffnen der Schnittstelle", EIO);
        return;
    }
    Fire(OnConnect);
}

void TCate::ClosePort() {
    if (IsOpen()) {
        WriteCateLog("Schnittstelle wird geschlossen");
        drained_ = DrainWriteQueue();
        SetRtsMode(TMode::Disable);
        SetDtrMode(TMode::Disable);
        CloseReadThread();
        CloseWriteThread();
        closeEvent_.reset();
        device_.reset();
    }
    SetLogfileName("");
}

// The last message handed over (the tester's "stop sending") still goes out, within a bound.
// True when all of it left the driver: purging the output then would only throw away what
// the peer has not read yet (a pseudo-terminal flushes the other side's input).
bool TCate::DrainWriteQueue() {
    if (!writeThread_)
        return false;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(drainBoundMs);
    if (!writeThread_->Queue().waitIdle(drainBoundMs))
        return false;
    uint32_t queued = 0;
    while (device_->outputQueued(queued) && queued > 0) {
        if (std::chrono::steady_clock::now() >= until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    writeThread_->SetPurgeOnEnd(false);
    return true;
}

void TCate::CloseReadThread() {
    if (!readThread_)
        return;
    EndThread(*readThread_, "Read Thread wird geschlossen", "Read Thread beendet nicht - wird terminiert",
              platform::PURGE_RXABORT | platform::PURGE_RXCLEAR);
    // Joined in every case: the thread uses the device and the event released next.
    readThread_.reset();
}

void TCate::CloseWriteThread() {
    if (!writeThread_)
        return;
    EndThread(*writeThread_, "Write Thread wird geschlossen", "Write Thread beendet nicht - wird terminiert",
              drained_ ? 0 : platform::PURGE_TXABORT | platform::PURGE_TXCLEAR);
    writeThread_.reset();
}

void TCate::EndThread(TPortThread& thread, const char* closing, const char* notEnding, uint32_t purge) {
    WriteCateLog(closing);
    closeEvent_->signal();
    if (purge)
        device_->purgeComm(purge);
    if (!thread.WaitFor(threadEndMs)) {
        WriteCateLog(notEnding);
        thread.Terminate();
    }
}

bool TCate::SendData(const uint8_t* buffer, uint16_t count) {
    if (!writeThread_) {
        WriteCateLog("Write Thread wurde nicht eingerichtet!");
        return false;
    }
    TThreadMsg msg;
    msg.Message = CM_SENDDATA;
    msg.WParam = count;
    if (buffer)
        msg.Block.assign(buffer, buffer + count);
    else
        msg.Block.assign(count, 0);
    if (!writeThread_->Queue().post(std::move(msg))) {
        WriteCateLog("Write Thread übernimmt keine Daten!");
        return false;
    }
    return true;
}

void TCate::CateWndProc(uint32_t msg, uintptr_t wParam, std::vector<uint8_t> block) {
    switch (msg) {
    case CM_RECEIVEDATA:
        DeliverReceivedData(block.data(), static_cast<uint16_t>(std::min<size_t>(wParam, block.size())));
        break;
    case CM_HANGUP:
        DoRequestHangup(wParam);
        break;
    case CM_READY:
        (wParam == 0 ? readReady_ : writeReady_) = true;
        break;
    case CM_FRAMEERROR:
        Fire(OnFrameError);
        break;
    case CM_OVERRUN:
        Fire(OnOverrunError);
        break;
    case CM_RXPARITY:
        Fire(OnRxParityError);
        break;
    case CM_BREAK:
        Fire(OnBreak);
        break;
    case CM_CTS:
    case CM_DSR:
        if (const TLineChangeEvent& event = msg == CM_CTS ? OnCTSChange : OnDSRChange) {
            TLineChangeEvent handler = event;
            handler(*this, wParam != 0);
        }
        break;
    case CM_RXCHAR:
        Fire(OnCharReceived);
        break;
    case CM_TXEMPTY:
        Fire(OnLastCharSent);
        break;
    default:
        break;
    }
}

void TCate::DeliverReceivedData(const uint8_t* buffer, uint16_t count) {
    if (TReceiveDataEventB handler = OnReceiveBData()) {
        handler(buffer, count);
    } else if (OnReceiveSData) {
        TReceiveDataEventS handler = OnReceiveSData;
        handler(*this, std::string(reinterpret_cast<const char*>(buffer), count));
    }
}

void TCate::DoRequestHangup(uintptr_t thread) {
    // A thread that gives up before it was ready failed its set-up: the open ends.
    if (!(thread == 0 ? readReady_ : writeReady_))
        setupFailed_ = true;
    // Once per open, whichever thread gives up first.
    if (hangupReported_)
        return;
    hangupReported_ = true;
    Fire(OnRequestHangup);
}

// ---- properties ----

void TCate::ApplyState(const std::function<void(platform::CommState&)>& change) {
    if (!IsOpen())
        return;
    platform::CommState s;
    device_->getCommState(s);
    change(s);
    device_->setCommState(s);
}

void TCate::ApplyTimeouts(const std::function<void(platform::CommTimeouts&)>& change) {
    if (!IsOpen())
        return;
    platform::CommTimeouts t;
    device_->getCommTimeouts(t);
    change(t);
    device_->setCommTimeouts(t);
}

void TCate::SetBaudRate(TBaudRate value) {
    baudRate_ = value;
    ApplyState([&](platform::CommState& s) { s.baudRate = BaudRateValue(value); });
}

void TCate::SetParity(TParity value) {
    parity_ = value;
    ApplyState([&](platform::CommState& s) { s.parity = static_cast<uint8_t>(value); });
}

void TCate::SetDataBits(TDataBits value) {
    dataBits_ = value;
    ApplyState(
        [&](platform::CommState& s) { s.byteSize = static_cast<uint8_t>(4 + static_cast<int>(value)); });
}

void TCate::SetStopBits(TStopBits value) {
    stopBits_ = value;
    ApplyState([&](platform::CommState& s) { s.stopBits = static_cast<uint8_t>(value); });
}

void TCate::SetRtsMode(TRtsMode value) {
    rtsMode_ = value;
    ApplyState([&](platform::CommState& s) {
        s.flags = (s.flags & ~platform::DCB_RTS_CONTROL_MASK) | (static_cast<uint32_t>(value) << 12);
    });
}

void TCate::SetDtrMode(TDtrMode value) {
    // The DTR field has no toggle.
    dtrMode_ = value == TMode::Toggle ? TMode::Handshake : value;
    ApplyState([&](platform::CommState& s) {
        s.flags = (s.flags & ~platform::DCB_DTR_CONTROL_MASK) | (static_cast<uint32_t>(dtrMode_) << 4);
    });
}

void TCate::SetErrorChar(char value) {
    errorChar_ = value;
    ApplyState([&](platform::CommState& s) { s.errorChar = value; });
}

void TCate::SetFlags(TDCBFlags value) {
    flags_ = value;
    ApplyState([&](platform::CommState& s) { s.flags = (s.flags & ~0x4FCFu) | value.dcbBits(); });
}

bool TCate::CtsState() const {
    uint32_t status = 0;
    return IsOpen() && device_->getCommModemStatus(status) && (status & platform::MS_CTS_ON);
}

bool TCate::DsrState() const {
    uint32_t status = 0;
    return IsOpen() && device_->getCommModemStatus(status) && (status & platform::MS_DSR_ON);
}

// While open the driver's sizes are the stored ones; false when it cannot tell.
bool TCate::QueryQueueSizes() {
    if (!IsOpen())
        return true;
    uint32_t in = 0, out = 0;
    if (!device_->getCommProperties(in, out))
        return false;
    readBufferSize_ = in;
    writeBufferSize_ = out;
    return true;
}

uint32_t TCate::ReadBufferSize() {
    return QueryQueueSizes() ? readBufferSize_ : 0;
}

uint32_t TCate::WriteBufferSize() {
    return QueryQueueSizes() ? writeBufferSize_ : 0;
}

void TCate::SetReadBufferSize(uint32_t value) {
    if (value == readBufferSize_)
        return;
    readBufferSize_ = value;
    if (IsOpen())
        device_->setupComm(readBufferSize_, writeBufferSize_);
}

void TCate::SetWriteBufferSize(uint32_t value) {
    if (value == writeBufferSize_)
        return;
    writeBufferSize_ = value;
    if (IsOpen())
        device_->setupComm(readBufferSize_, writeBufferSize_);
}

void TCate::SetReadInterval(uint32_t ms) {
    readInterval_ = ms == 0 ? maxDword : ms;
    ApplyTimeouts([&](platform::CommTimeouts& t) { t.readInterval = readInterval_; });
}

void TCate::SetReadTotalTimeoutMultiplier(uint32_t ms) {
    readTotalMultiplier_ = ms;
    ApplyTimeouts([&](platform::CommTimeouts& t) { t.readTotalMultiplier = ms; });
}

void TCate::SetReadTotalTimeoutConstant(uint32_t ms) {
    readTotalConstant_ = ms;
    ApplyTimeouts([&](platform::CommTimeouts& t) { t.readTotalConstant = ms; });
}

// ---- port log ----

void TCate::SetLogfileName(const std::string& name) {
    PortLog& log = portLog();
    if (log.file.isOpen()) {
        WriteCateLog("--- Logfile-Ende ---");
        log.file.close();
    }
    logfileName_ = name;
    log.name = name;
    if (name.empty())
        return;
    // Before the open: a port thread may write the first line of the new log.
    log.ticks = logTicks_;
    if (!log.file.open(name, platform::SharedLogFile::OpenMode::Append) &&
        !log.file.open(name, platform::SharedLogFile::OpenMode::Truncate)) {
        logfileName_.clear();
        log.name.clear();
        return;
    }
    WriteCateLog("");
    WriteCateLog("--- Logfile-Start ---");
}
