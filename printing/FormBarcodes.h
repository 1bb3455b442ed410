#pragma once

#include <QImage>
#include <QString>

enum class FormBarcodeType { Interleaved2Of5, Code39 };

// Draws text as a barcode at the top left corner of bitmap, height pixels high.
inline void DrawFormBarcode(QImage& bitmap, FormBarcodeType type, int height, const QString& text) {
    (void)bitmap;
    (void)type;
    (void)height;
    (void)text;
}
