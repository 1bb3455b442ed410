#pragma once

#include <QString>

// Device barcodes are empty or unique. An empty barcode is no device's barcode: it finds no
// device and never counts as a duplicate (an SQL comparison of two empty texts would say
// otherwise, so callers ask here before they query).
inline bool IsMatchableBarcode(const QString& barcode) {
    return !barcode.isEmpty();
}

// A staging row's barcode names the device carrying deviceBarcode.
inline bool BarcodesMatch(const QString& barcode, const QString& deviceBarcode) {
    return IsMatchableBarcode(barcode) && barcode == deviceBarcode;
}
