#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// Line events a port reports (the wait's event mask).
inline constexpr uint32_t EV_RXCHAR = 0x0001;
inline constexpr uint32_t EV_TXEMPTY = 0x0004;
inline constexpr uint32_t EV_CTS = 0x0008;
inline constexpr uint32_t EV_DSR = 0x0010;
inline constexpr uint32_t EV_BREAK = 0x0040;
inline constexpr uint32_t EV_ERR = 0x0080;

// Line error word.
inline constexpr uint32_t CE_OVERRUN = 0x0002;
inline constexpr uint32_t CE_RXPARITY = 0x0004;
inline constexpr uint32_t CE_FRAME = 0x0008;
inline constexpr uint32_t CE_BREAK = 0x0010;

// Modem status word.
inline constexpr uint32_t MS_CTS_ON = 0x0010;
inline constexpr uint32_t MS_DSR_ON = 0x0020;

// Purge flags.
inline constexpr uint32_t PURGE_TXABORT = 0x0001;
inline constexpr uint32_t PURGE_RXABORT = 0x0002;
inline constexpr uint32_t PURGE_TXCLEAR = 0x0004;
inline constexpr uint32_t PURGE_RXCLEAR = 0x0008;

// Flag word of the device control block.
inline constexpr uint32_t DCB_BINARY = 0x0001;
inline constexpr uint32_t DCB_PARITY = 0x0002;
inline constexpr uint32_t DCB_OUTX_CTS_FLOW = 0x0004;
inline constexpr uint32_t DCB_OUTX_DSR_FLOW = 0x0008;
inline constexpr uint32_t DCB_DTR_CONTROL_MASK = 0x0030;
inline constexpr uint32_t DCB_DTR_ENABLE = 0x0010;
inline constexpr uint32_t DCB_DTR_HANDSHAKE = 0x0020;
inline constexpr uint32_t DCB_OUTX = 0x0100;
inline constexpr uint32_t DCB_INX = 0x0200;
inline constexpr uint32_t DCB_RTS_CONTROL_MASK = 0x3000;
inline constexpr uint32_t DCB_RTS_ENABLE = 0x1000;
inline constexpr uint32_t DCB_RTS_HANDSHAKE = 0x2000;
inline constexpr uint32_t DCB_RTS_TOGGLE = 0x3000;

// Device control block: what the line is set to. Values Linux cannot honour (4 data
// bits, 1.5 stop bits on more than 5 data bits, RTS toggle, DSR sensitivity ...) are
// kept and read back as given.
struct CommState {
    uint32_t baudRate = 9600;
    uint32_t flags = DCB_BINARY;
    uint8_t byteSize = 8; // 4..8
    uint8_t parity = 0;   // none, odd, even, mark, space
    uint8_t stopBits = 0; // one, one and a half, two
    char errorChar = 0;
    bool operator==(const CommState&) const = default;
};

// Time-outs in ms. A read returns once the line has been quiet for readInterval after
// a byte; 0xFFFFFFFF returns at once with what is there. Total time-outs of 0 are off.
struct CommTimeouts {
    uint32_t readInterval = 0;
    uint32_t readTotalMultiplier = 0;
    uint32_t readTotalConstant = 0;
    uint32_t writeTotalMultiplier = 0;
    uint32_t writeTotalConstant = 0;
};

// How a call of the port went, with the error number of the system call that failed. It is
// taken where the call failed and travels with the result: errno belongs to the thread that
// made the call, and any later call may overwrite it. A plain false carries no number (nothing
// failed in the system: a wait that was cancelled, an event nobody knows).
struct CommResult {
    CommResult(bool ok = true) : ok(ok) {}
    CommResult(int) = delete; // an error number alone is no result: failed(error)
    static CommResult failed(int error) {
        CommResult r(false);
        r.error = error;
        return r;
    }
    explicit operator bool() const { return ok; }

    bool ok;
    int error = 0;
};

// What a blocking call of the port came back with, and for a failure or a hang-up the error
// number, taken as CommResult takes it.
template <typename Status> struct CommOutcome {
    CommOutcome(Status status, int error = 0) : status(status), error(error) {}
    operator Status() const { return status; }

    Status status;
    int error;
};

// A manual-reset event on an eventfd: once signalled it stays so and wakes every poll.
class CommEvent {
public:
    CommEvent() = default;
    ~CommEvent();
    CommEvent(const CommEvent&) = delete;
    CommEvent& operator=(const CommEvent&) = delete;

    CommResult create();
    void signal();
    bool isSignalled() const;
    int fd() const { return fd_; }

private:
    int fd_ = -1;
};

// What a blocking call of the port came back with.
enum class CommIo {
    Done,      // the data is there or written
    Closed,    // the close event was signalled
    HungUp,    // the device is gone (peer hung up, device removed)
    Failed,    // the call failed
    WaitFailed // waiting for the device failed
};
using CommIoResult = CommOutcome<CommIo>;

// What the read thread's wait found, first of these in this order.
enum class CommWait { Closed, LineEvent, Readable, HungUp, Failed };
using CommWaitResult = CommOutcome<CommWait>;

// One open serial port. Configuration calls come from the UI thread, the blocking calls
// from the port's read thread (wait, read) and its write thread (write).
class CommDevice {
public:
    virtual ~CommDevice() = default;

    virtual CommResult setupComm(uint32_t inQueue, uint32_t outQueue) = 0;
    virtual CommResult getCommState(CommState& state) = 0;
    virtual CommResult setCommState(const CommState& state) = 0;
    virtual CommResult getCommTimeouts(CommTimeouts& t) = 0;
    virtual CommResult setCommTimeouts(const CommTimeouts& t) = 0;
    virtual CommResult purgeComm(uint32_t flags) = 0;
    // Modem lines; fails where the device has none (a pseudo-terminal).
    virtual CommResult getCommModemStatus(uint32_t& status) = 0;
    virtual CommResult getCommProperties(uint32_t& inQueue, uint32_t& outQueue) = 0;
    virtual CommResult setCommMask(uint32_t mask) = 0;
    // Line errors since the last call; 0 where the driver counts none.
    virtual CommResult clearCommError(uint32_t& errors) = 0;
    // Bytes still in the driver's output queue; fails when it cannot tell.
    virtual CommResult outputQueued(uint32_t& bytes) = 0;

    // Waits for a line event of the mask (reported in events) or for bytes to read.
    virtual CommWaitResult waitInput(const CommEvent& close, uint32_t& events) = 0;
    // Reads what is there, then more until the line is quiet for the read interval or
    // max bytes are in. got may be 0.
    virtual CommIoResult read(uint8_t* buffer, size_t max, size_t& got, const CommEvent& close) = 0;
    // Writes some of the bytes, waiting while the driver's queue is full.
    virtual CommIoResult write(const uint8_t* buffer, size_t count, size_t& written,
                               const CommEvent& close) = 0;
};

// Modem lines (TIOCM_* bits) and line error counts of a serial device: the ioctls that cost a
// USB transfer on common adapters. A test puts a fake behind a pseudo-terminal.
class LineBackend {
public:
    struct Counts {
        uint32_t frame = 0, overrun = 0, parity = 0, brk = 0, bufOverrun = 0;
    };
    virtual ~LineBackend() = default;
    // False where the device has no modem lines (a pseudo-terminal).
    virtual bool getLines(int fd, int& lines) = 0;
    // False where the driver counts no errors.
    virtual bool getCounts(int fd, Counts& counts) = 0;
    // Blocks until one of the lines of mask changes: ok. Fails without an error number when
    // cancelWait() ended the wait, with one when the wait failed (EINVAL or ENOTTY: the driver
    // cannot wait).
    virtual CommResult waitLines(int fd, int mask) = 0;
    // Ends a waitLines() in another thread, and every later one, at once.
    virtual void cancelWait() = 0;
};

// The ioctls themselves; a fresh one for every device.
std::unique_ptr<LineBackend> systemLineBackend();

// Why a port did not open.
enum class CommOpenError {
    None,
    NoDevice,      // nothing there: no such file, adapter unplugged, no hardware behind the node
    NoPermission,  // the user may not open the device
    Busy,          // another program (or this one) holds it
    NotCommHandle, // the path is no serial device
    OpenFailed     // anything else; the error number tells
};

// The outcome of opening a port: the reason, the error number and the device tried.
struct CommOpenStatus {
    CommOpenError why = CommOpenError::None;
    int error = 0;
    std::string device;
};

// The reason an errno of opening a device stands for.
CommOpenError classifyOpenError(int error);

// "COM1" .. "COM9": the configured device when given, else /dev/ttyS<n-1>.
std::string commDevicePath(int portNumber, const std::string& configured = {});

// Opens a terminal device for exclusive use; fails with status filled in.
// lines: where modem lines and error counts come from (the device's own ioctls by default).
std::unique_ptr<CommDevice> openCommPath(const std::string& path, CommOpenStatus& status,
                                         std::unique_ptr<LineBackend> lines = nullptr);
std::unique_ptr<CommDevice> openCommPort(int portNumber, CommOpenStatus& status);

// Text of an errno value; unknown values give "Fehler #n (Fehlertext nicht verfügbar: ...)".
std::string systemErrorText(int code);

} // namespace platform
