#pragma once

#include "serial/SyncBus.h"

#include <array>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <time.h>
#include <vector>

// A stand-in for the tester on the master side of a pseudo-terminal pair. The program
// opens the slave side (slavePath()) through GERAETETESTER_COM<n>. It reads frames the
// way the bus does, answers requests by their Sub code and records what it received.
class TesterDouble {
public:
    static constexpr uint8_t IdPc = 0x61;
    static constexpr uint8_t IdTester = 0xEC;

    enum class Misbehaviour {
        None,
        Silent,        // answers nothing
        Late,          // answers after delayMs, reading nothing meanwhile
        Slow,          // answers each request delayMs after it came, reading on meanwhile
        WrongChecksum, // answers with the checksum off by one
        SplitFrame,    // pauses delayMs in the middle of the answer
        Garbage,       // sends bytes that are no frame instead of the answer
        HangUp         // closes its side instead of answering
    };

    // What a tester keeps.
    struct State {
        std::string programVersion = "2000000";  // seven characters
        std::string serialNumber = "1234567890"; // ten digits
        std::array<uint8_t, 8> settings{};
        std::array<uint8_t, 8> limitIndices{};
        std::vector<std::vector<uint8_t>> records;
        uint16_t autosendMask = 0;
    };

    // Data bytes of the answer, or nothing to stay silent.
    using Handler = std::function<std::optional<std::vector<uint8_t>>(State& state, const TProtok& request)>;

    explicit TesterDouble(int dataBytes = 8);
    ~TesterDouble();
    TesterDouble(const TesterDouble&) = delete;
    TesterDouble& operator=(const TesterDouble&) = delete;

    bool start();
    void stop();
    const std::string& slavePath() const { return slavePath_; }

    // Teaches (or replaces) the answer to one request code.
    void setHandler(uint8_t sub, Handler handler);
    void misbehave(Misbehaviour m, int delayMs = 0);
    // Bytes go out at 9600 bit/s, 10 bits each, and a request counts as received only
    // once it would have crossed the wire.
    void setPacing(bool on) { pacing_ = on; }
    // While off, nothing is read from the line, so the program's writes back up.
    void setReading(bool on);
    void setCharTimeOutMs(int ms) { charTimeOutMs_ = ms; }
    // Decides, after the handler has acted on a request, that its answer is lost on the line.
    void setAnswerLoss(std::function<bool(const TProtok& request)> lose);

    // The line as the tester sees it: the frames it received and the frames it wrote.
    struct WireEvent {
        int64_t atMs;      // steady clock
        bool fromPc;       // a frame received, else one written
        int request;       // the received frame's number (from 0), or the one an answer answers; -1 own
        bool lost = false; // an answer that never reached the line
        TProtok frame{};
    };
    std::vector<WireEvent> wire();

    // Sends a frame by itself (Id $EC).
    void sendFrame(uint8_t sub, const std::vector<uint8_t>& data, bool badChecksum = false);
    void sendRaw(const std::vector<uint8_t>& bytes);
    void hangUp();

    State state();
    void withState(const std::function<void(State&)>& change);

    std::vector<uint8_t> receivedBytes();
    std::vector<TProtok> receivedFrames();
    bool waitForBytes(size_t n, int timeoutMs);
    bool waitForFrames(size_t n, int timeoutMs);
    int answersSent();

    std::vector<uint8_t> frame(uint8_t id, uint8_t sub, const std::vector<uint8_t>& data,
                               bool badChecksum = false) const;

private:
    void serve();
    void receive(uint8_t b);
    void answer(const TProtok& request);
    // Writes a frame of the tester's; request is logged as what it answers (-1 its own, Unlogged
    // for bytes that are no frame).
    static constexpr int Unlogged = -2;
    void writeBytes(const std::vector<uint8_t>& bytes, int splitAfter = -1, int pauseMs = 0,
                    int request = Unlogged);
    bool pause(int ms); // false when stopped meanwhile
    void closeMaster();
    void sendDueAnswers();

    int dataBytes_;
    int master_ = -1;
    int slaveHold_ = -1;
    int wake_ = -1;
    int stopFd_ = -1;
    std::string slavePath_;
    std::thread thread_;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> hangupRequested_{false};
    std::atomic<bool> pacing_{false};
    std::atomic<bool> reading_{true};
    std::atomic<int> charTimeOutMs_{100};

    std::mutex writeMutex_;
    std::mutex mutex_;
    std::condition_variable changed_;
    State state_;
    std::map<uint8_t, Handler> handlers_;
    Misbehaviour misbehaviour_ = Misbehaviour::None;
    int delayMs_ = 0;
    std::vector<uint8_t> received_;
    std::vector<TProtok> frames_;
    int answers_ = 0;

    // Answers of Slow waiting for their time, with the request they answer; the serving
    // thread's own.
    struct Delayed {
        int64_t at;
        std::vector<uint8_t> bytes;
        int request;
    };
    std::deque<Delayed> delayed_;
    std::function<bool(const TProtok&)> loseAnswer_;
    std::vector<WireEvent> wire_;
    void logWritten(const std::vector<uint8_t>& bytes, int request, bool lost = false);

    TProtok rx_{};
    int rxIndex_ = 0;
    int64_t lastByteMs_ = 0;
    timespec rxStart_{};
};
