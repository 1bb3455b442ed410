#pragma once

#include "platform/report.h"
#include "tester/Globals.h"
#include "tester/TesterLink.h"

#include <QWidget>

// The one-page A4 protocol of one test. A caller copies the whole decoded record into WerteSatz
// and previews or prints QuickRep1; the before-print handler fills every variable element of the
// page from that record and the configured heading, footer and service interval.
class TPruefprot : public QWidget {
public:
    explicit TPruefprot(QWidget* owner = nullptr);

    TWerteSatz WerteSatz;
    // The connected tester, whose firmware level decides the insulation's overflow text; none:
    // that of no tester connected.
    const ITesterLink* TesterLink = nullptr;
    platform::TReportForm QuickRep1;

    void QuickRep1BeforePrint();
    static void DrawCheckBox(platform::TReportImage* Image, bool Checked);
    void AddAddressLine(const QString& Text, int& LineNumber);

    // Detail band and page footer band.
    platform::TReportBand* DetailBand1;
    platform::TReportBand* PageFooterBand1;

    // Heading lines of the contractor and footer lines.
    platform::TReportLabel *QRLabel1, *QRLabel2, *QRLabel3, *QRLabel4, *QRLabel5;
    platform::TReportLabel *QRLabel13, *QRLabel14, *QRLabel15, *QRLabel16, *QRLabel17;
    // Customer address lines 1 to 6.
    platform::TReportLabel *QRLabel7, *QRLabel8, *QRLabel9, *QRLabel10, *QRLabel11, *QRLabel19;
    // Device data.
    platform::TReportLabel *QRLabel32, *QRLabel33, *QRLabel34, *QRLabel35, *QRLabel36, *QRLabel40;
    platform::TReportLabel* QRLabel18; // barcode text
    platform::TReportImage* QRImage1;  // barcode picture
    // Check boxes: 0701, 0702, insulation, differential current, visual inspection yes / no.
    platform::TReportImage *QRImage2, *QRImage3, *QRImage4, *QRImage5, *QRImage6, *QRImage7;
    // Measured values, limits and the reversed-plug values.
    platform::TReportLabel *QRLabel62, *QRLabel63, *QRLabel64, *QRLabel65, *QRLabel66;
    platform::TReportLabel *QRLabel69, *QRLabel70, *QRLabel71, *QRLabel72, *QRLabel73;
    platform::TReportLabel *QRLabel67, *QRLabel68;
    platform::TReportLabel* QRLabel39;             // abort note
    platform::TReportLabel *QRLabel76, *QRLabel77; // verdict crosses
    platform::TReportLabel *QRLabel75, *QRLabel6;  // tester model and serial number
    platform::TReportMemo* QRMemo1;                // note
    platform::TReportLabel* QRLabel78;             // next test
    platform::TReportLabel *QRLabel37, *QRLabel38; // inspector, test date

private:
    platform::TReportLabel* addressLabel(int lineNumber) const;
    void placeFooterLines();
};

// The program's single instance.
inline TPruefprot* Pruefprot = nullptr;
