#pragma once

#include "platform/report.h"

#include <QWidget>

// The control-barcode sheet: the 43 codes of ControlBarcodeTable, one per detail band, that set the
// tester up when its reader scans them; three pages.
class TSteuerbarcodes : public QWidget {
public:
    explicit TSteuerbarcodes(QWidget* owner = nullptr);

    platform::TReportForm QuickRep1;

    void QuickRep1BeforePrint();
    void QuickRep1NeedData(bool& MoreData);
    void DetailBand1BeforePrint();
    void QRLabel29Print(QString& Value);

    platform::TReportBand* PageHeaderBand1;
    platform::TReportBand* DetailBand1;
    platform::TReportLabel* QRLabel29; // page label
    platform::TReportImage* QRImage1;  // the row's barcode
    platform::TReportLabel* QRLabel3;  // the row's caption

private:
    int CodeIndex = 0;
};

// The program's single instance.
inline TSteuerbarcodes* Steuerbarcodes = nullptr;
