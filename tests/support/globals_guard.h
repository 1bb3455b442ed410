#pragma once

#include "tester/Globals.h"

#include <tuple>
#include <type_traits>

// Every program-wide value of tester/Globals.h. A value added there belongs here too.
inline auto globalValues() {
    using namespace Globals;
    return std::tie(Operator, TopLine, BottomLine, ServiceInterv, aktCheckNumber, Preview, ExportFile,
                    ExportFileName, ExportColumns, MessageAnswerRAM, MessageAnswerReadEEPROM,
                    MessageAnswerWriteEEPROM, MessageTimeOut, CharTimeOut, RefreshTime, InActiveTime,
                    FirmwareLevel, TesterSerialNumber, DecimalSeparator);
}

// The program-wide values, taken when the guard is made and put back when it ends.
class GlobalsGuard {
public:
    GlobalsGuard() : saved_(globalValues()) {}
    ~GlobalsGuard() { globalValues() = saved_; }
    GlobalsGuard(const GlobalsGuard&) = delete;
    GlobalsGuard& operator=(const GlobalsGuard&) = delete;

private:
    template <class... T> static std::tuple<std::remove_reference_t<T>...> copyOf(std::tuple<T...>);

    decltype(copyOf(globalValues())) saved_;
};
