#pragma once

#include <array>

// One row of the control-barcode sheet: the code the tester's reader scans and its caption.
struct TCode {
    const char* Barcode;
    const char* Caption;
};

constexpr int ControlBarcodeCount = 43;
// Rows 1 to 43 of the sheet at indices 0 to 42. Each code is a two-digit function number followed
// by ten zeros.
extern const std::array<TCode, ControlBarcodeCount> ControlBarcodeTable;
