#pragma once

#include "tests/support/tester_double.h"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// Teaches the tester double what the main window's link asks of it: the language messages,
// the settings and limit writes, polling for every kept kind and, once the program orders
// it, autosend of those kinds at a steady pace.
class TesterScript {
public:
    explicit TesterScript(TesterDouble& tester, int autosendPeriodMs = 200);
    ~TesterScript();
    TesterScript(const TesterScript&) = delete;
    TesterScript& operator=(const TesterScript&) = delete;

    void setLanguages(const std::vector<std::string>& codes, int current);
    std::string currentLanguage();
    // While silent the tester neither answers nor sends by itself.
    void setSilent(bool on);
    // Autosend orders ($67 with a mask other than 0) and stop orders received so far.
    int autosendOrders();
    int autosendStops();

    // Data of a kept kind from elsewhere (a running test); nothing takes the script's own.
    // Runs under the double's state lock.
    using KindSource =
        std::function<std::optional<std::vector<uint8_t>>(uint8_t code, TesterDouble::State& s)>;
    void setKindSource(KindSource source);
    // Runs for every settings write with its command byte d7, under the double's state lock.
    using CommandHook = std::function<void(TesterDouble::State& s, uint8_t command)>;
    void setCommandHook(CommandHook hook);

private:
    void autosend();
    std::vector<uint8_t> kindData(uint8_t code, TesterDouble::State& s);

    TesterDouble& tester_;
    int periodMs_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::vector<std::string> languages_{"de", "en", "fr"};
    int current_ = 1;
    bool silent_ = false;
    bool stopping_ = false;
    int orders_ = 0;
    int stops_ = 0;
    std::thread thread_;
    // Held while a hook runs, so that replacing one waits for a call in flight.
    std::mutex hookMutex_;
    KindSource kindSource_;
    CommandHook commandHook_;
};
