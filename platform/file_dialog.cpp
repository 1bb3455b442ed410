#include "platform/file_dialog.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStringList>

namespace platform {

namespace {

SaveFileHandler& handler() {
    static SaveFileHandler h;
    return h;
}

SaveFileResult showReal(const SaveFileRequest& request) {
    QFileDialog dialog(QApplication::activeWindow(), request.Title);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !(request.Options & fdOverwritePrompt));
    dialog.setSizeGripEnabled(request.Options & fdEnableSizing);
    if (!request.Filter.isEmpty())
        dialog.setNameFilter(qtFilterText(request.Filter));
    if (!request.DefaultExtension.isEmpty())
        dialog.setDefaultSuffix(request.DefaultExtension);
    if (!request.FileName.isEmpty())
        dialog.selectFile(request.FileName);
    for (;;) {
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return {};
        const QString name = dialog.selectedFiles().first();
        // The Qt dialog does not check the folder of a typed path; ask again as the user expects.
        if ((request.Options & fdPathMustExist) && !QFileInfo(name).absoluteDir().exists())
            continue;
        return {true, name};
    }
}

} // namespace

SaveFileResult saveFileDialog(const SaveFileRequest& request) {
    SaveFileResult result = handler() ? handler()(request) : showReal(request);
    if (!result.Accepted || result.FileName.isEmpty())
        return {};
    result.FileName = withDefaultExtension(result.FileName, request.DefaultExtension);
    return result;
}

SaveFileHandler setSaveFileHandler(SaveFileHandler h) {
    SaveFileHandler before = std::move(handler());
    handler() = std::move(h);
    return before;
}

QString qtFilterText(const QString& filter) {
    const QStringList parts = filter.split(u'|');
    QStringList captions;
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        QString caption = parts.at(i);
        const QString pattern = i + 1 < parts.size() ? parts.at(i + 1) : QString();
        // Qt reads the patterns from the parentheses of the caption.
        if (!pattern.isEmpty() && !caption.contains(u'('))
            caption += QStringLiteral(" (") + QString(pattern).replace(u';', u' ') + u')';
        captions << caption;
    }
    return captions.join(QStringLiteral(";;"));
}

QString withDefaultExtension(const QString& name, const QString& extension) {
    if (name.isEmpty() || extension.isEmpty() || !QFileInfo(name).suffix().isEmpty())
        return name;
    return name + u'.' + extension;
}

} // namespace platform
