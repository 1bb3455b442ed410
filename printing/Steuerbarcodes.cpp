#include "printing/Steuerbarcodes.h"

#include "printing/Barcd4.h"
#include "printing/ControlBarcodeTable.h"

#include <QPainter>

using platform::reportFont;

TSteuerbarcodes::TSteuerbarcodes(QWidget* owner) : QWidget(owner) {
    setObjectName(QStringLiteral("Steuerbarcodes"));
    setWindowTitle(QStringLiteral("Steuerbarcodes"));
    resize(595, 842);

    QuickRep1.Title = QStringLiteral("Steuerbarcodes");
    QuickRep1.Page = {210.0, 297.0, 25.0, 15.0, 30.0, 20.0};
    QuickRep1.BeforePrint = [this] { QuickRep1BeforePrint(); };
    QuickRep1.OnNeedData = [this](bool& more) { QuickRep1NeedData(more); };

    PageHeaderBand1 = QuickRep1.AddBand(platform::TBandType::PageHeader, 13.5);
    PageHeaderBand1->AddLabel(0, 3, QStringLiteral("Steuerbarcodes"), reportFont(12, true));
    PageHeaderBand1->AddLabel(34, 3, QStringLiteral("zur Einstellung des Gerätetesters"), reportFont(12));
    QRLabel29 = PageHeaderBand1->AddLabel(0, 3, QStringLiteral("Seite"), reportFont(12));
    QRLabel29->Alignment = platform::TReportAlign::Right;
    QRLabel29->AlignToBand = true;
    QRLabel29->OnPrint = [this](QString& value) { QRLabel29Print(value); };

    DetailBand1 = QuickRep1.AddBand(platform::TBandType::Detail, 12.7);
    DetailBand1->BeforePrint = [this] { DetailBand1BeforePrint(); };
    QRImage1 = DetailBand1->AddImage(0, 3.2, 40, 7.7, 151, 29);
    QRLabel3 = DetailBand1->AddLabel(42.3, 5.3, QString(), reportFont(10));
}

void TSteuerbarcodes::QuickRep1BeforePrint() {
    CodeIndex = 0;
}

void TSteuerbarcodes::QuickRep1NeedData(bool& MoreData) {
    ++CodeIndex;
    MoreData = CodeIndex < ControlBarcodeCount + 1;
}

void TSteuerbarcodes::DetailBand1BeforePrint() {
    if (CodeIndex < 1 || CodeIndex > ControlBarcodeCount)
        return;
    const TCode& code = ControlBarcodeTable[static_cast<size_t>(CodeIndex - 1)];
    TPrintBarcode barcode(this);
    barcode.SetBarCodeType(TBarCodeType::Interleaved2Of5);
    barcode.SetLeadInWidth(0);
    barcode.SetModuleNarrow(1);
    barcode.SetHeight(QRImage1->PixelHeight());
    barcode.SetText(QString::fromLatin1(code.Barcode));
    {
        // Not cleared first: all codes are equally long, so each covers the one of the row before.
        QPainter canvas(&QRImage1->Bitmap());
        barcode.DrawOnCanvas(canvas, QPoint(0, 0));
    }
    QRLabel3->Caption = QString::fromUtf8(code.Caption);
}

void TSteuerbarcodes::QRLabel29Print(QString& Value) {
    Value = QStringLiteral("Seite ") + QString::number(QuickRep1.PageNumber()) + QStringLiteral(" von 3");
}
