#pragma once

#include "platform/report.h"

#include <QWidget>

// The reader-configuration sheet: five Code 39 codes that set the tester's barcode reader to
// Interleaved 2 of 5 when scanned from top to bottom; one page.
class TConfigBarcodes : public QWidget {
public:
    explicit TConfigBarcodes(QWidget* owner = nullptr);

    platform::TReportForm QuickRep1;

    void QuickRep1BeforePrint();

    platform::TReportBand* PageHeaderBand1;
    platform::TReportBand* DetailBand1;
    platform::TReportImage *QRImage1, *QRImage2, *QRImage3, *QRImage4, *QRImage5;
};

// The codes of the five rows, from top to bottom.
extern const char* const ReaderConfigurationCodes[5];

// The program's single instance.
inline TConfigBarcodes* ConfigBarcodes = nullptr;
