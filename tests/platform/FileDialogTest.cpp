#include "platform/file_dialog.h"
#include "platform/translation.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QTimer>
#include <QTreeView>

using namespace platform;

TEST(FileDialog, FilterPairsBecomeQtCaptions) {
    EXPECT_EQ(qtFilterText(QStringLiteral("CSV-Dateien (*.csv)|*.csv|alle Dateien (*.*)|*.*")),
              QStringLiteral("CSV-Dateien (*.csv);;alle Dateien (*.*)"));
    // A caption without its pattern gets it, or Qt would filter nothing.
    EXPECT_EQ(qtFilterText(QStringLiteral("Texte|*.txt;*.csv")), QStringLiteral("Texte (*.txt *.csv)"));
}

TEST(FileDialog, HandlerAnswersAndDefaultExtensionIsAdded) {
    SaveFileRequest seen;
    auto before = setSaveFileHandler([&](const SaveFileRequest& r) {
        seen = r;
        return SaveFileResult{true, QStringLiteral("/tmp/daten")};
    });
    SaveFileRequest request;
    request.Title = QStringLiteral("Exportdatei");
    request.DefaultExtension = QStringLiteral("csv");
    request.Options = fdHideReadOnly | fdPathMustExist;
    const SaveFileResult r = saveFileDialog(request);
    EXPECT_TRUE(r.Accepted);
    EXPECT_EQ(r.FileName, QStringLiteral("/tmp/daten.csv"));
    EXPECT_EQ(seen.Title, QStringLiteral("Exportdatei"));
    EXPECT_EQ(seen.Options, unsigned(fdHideReadOnly | fdPathMustExist));

    setSaveFileHandler([](const SaveFileRequest&) { return SaveFileResult{true, QStringLiteral("a.txt")}; });
    EXPECT_EQ(saveFileDialog(request).FileName, QStringLiteral("a.txt"));

    // A cancelled dialog gives no name, whatever the handler left in it.
    setSaveFileHandler([](const SaveFileRequest&) { return SaveFileResult{false, QStringLiteral("x.csv")}; });
    const SaveFileResult cancelled = saveFileDialog(request);
    EXPECT_FALSE(cancelled.Accepted);
    EXPECT_TRUE(cancelled.FileName.isEmpty());
    setSaveFileHandler(before);
}

TEST(FileDialog, RealDialogSpeaksQtsGermanAndCancelGivesNoName) {
    ASSERT_TRUE(loadQtTranslation());
    QStringList labels;
    QStringList columns;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        for (auto label : {QFileDialog::LookIn, QFileDialog::FileName, QFileDialog::FileType,
                           QFileDialog::Accept, QFileDialog::Reject})
            labels << dialog->labelText(label);
        if (auto* view = dialog->findChild<QTreeView*>()) {
            for (int c = 0; c < view->model()->columnCount(); ++c)
                columns << view->model()->headerData(c, Qt::Horizontal).toString();
        }
        dialog->reject();
    });
    SaveFileRequest request;
    request.Title = QStringLiteral("Exportdatei");
    request.Options = fdHideReadOnly | fdPathMustExist;
    EXPECT_FALSE(saveFileDialog(request).Accepted);
    EXPECT_EQ(labels, (QStringList{QStringLiteral("Suchen in:"), QStringLiteral("Datei&name:"),
                                   QStringLiteral("Dateien des Typs:"), QStringLiteral("S&peichern"),
                                   QStringLiteral("Abbrechen")}));
    EXPECT_EQ(columns, (QStringList{QStringLiteral("Name"), QStringLiteral("Größe"), QStringLiteral("Typ"),
                                    QStringLiteral("Änderungsdatum")}));
}
