#include "printing/ConfigBarcodes.h"

#include "printing/Barcd4.h"

#include <QPainter>

using platform::reportFont;

const char* const ReaderConfigurationCodes[5] = {".$/%", "SADF", ".$/%", "SE2", "EOCF"};

TConfigBarcodes::TConfigBarcodes(QWidget* owner) : QWidget(owner) {
    setObjectName(QStringLiteral("ConfigBarcodes"));
    setWindowTitle(QStringLiteral("Konfiguration des Barcodelesers"));
    resize(595, 842);

    QuickRep1.Title = QStringLiteral("Barcodeleser-Konfiguration");
    QuickRep1.Page = {210.0, 297.0, 25.0, 15.0, 30.0, 20.0};
    QuickRep1.BeforePrint = [this] { QuickRep1BeforePrint(); };

    PageHeaderBand1 = QuickRep1.AddBand(platform::TBandType::PageHeader, 41.3);
    PageHeaderBand1->AddLabel(0, 3, QStringLiteral("Barcodeleser-Konfiguration"), reportFont(12, true));
    platform::TReportLabel* intro = PageHeaderBand1->AddLabel(
        0, 12,
        QStringLiteral("Zur Neukonfigurierung des Barcodelesers schließen Sie den Barcodeleser am "
                       "Gerätetester an und scannen der Reihe nach die Barcodes auf diesem Blatt (von oben "
                       "nach unten)."),
        reportFont(10));
    intro->Width = QuickRep1.BandWidth();
    intro->Height = 20;
    intro->AutoSize = false;
    intro->WordWrap = true;

    DetailBand1 = QuickRep1.AddBand(platform::TBandType::Detail, 126.3);
    const char* const captions[5] = {"1: \"Start of Configuration\"", "2: \"Set Factory Defaults\"",
                                     "3: \"Start of Configuration\"", "4: \"Interleaved 2 of 5\"",
                                     "5: \"End Of Configuration\""};
    const double tops[5] = {8.9, 34.4, 59.9, 85.3, 110.5};
    platform::TReportImage** images[5] = {&QRImage1, &QRImage2, &QRImage3, &QRImage4, &QRImage5};
    for (int i = 0; i < 5; ++i) {
        // The caption level with the middle of its code.
        DetailBand1->AddLabel(6.9, tops[i] + 4.3, QString::fromLatin1(captions[i]), reportFont(10));
        *images[i] = DetailBand1->AddImage(82.7, tops[i], 73.8, 12.6, 223, 38);
    }
}

void TConfigBarcodes::QuickRep1BeforePrint() {
    platform::TReportImage* const images[5] = {QRImage1, QRImage2, QRImage3, QRImage4, QRImage5};
    TPrintBarcode barcode(this);
    barcode.SetBarCodeType(TBarCodeType::Code39);
    barcode.SetLeadInWidth(0);
    barcode.SetModuleNarrow(1);
    barcode.SetHeight(QRImage1->PixelHeight());
    for (int i = 0; i < 5; ++i) {
        barcode.SetText(QString::fromLatin1(ReaderConfigurationCodes[i]));
        QPainter canvas(&images[i]->Bitmap());
        barcode.DrawOnCanvas(canvas, QPoint(0, 0));
    }
}
