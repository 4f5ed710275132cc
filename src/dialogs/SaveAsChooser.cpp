#include "src/dialogs/SaveAsChooser.h"

#include <QDir>
#include <QFileDialog>

std::optional<QString> RunSaveAsChooser(QWidget* owner, const SaveAsRequest& request) {
    QFileDialog chooser(owner, request.title);
    chooser.setAcceptMode(QFileDialog::AcceptSave);
    chooser.setFileMode(QFileDialog::AnyFile);
    chooser.setOption(QFileDialog::DontConfirmOverwrite, false);
    // A desktop's own chooser (GTK, the portal) asks about the name as typed
    // and Qt adds the default suffix afterwards, so "talk" would replace an
    // existing "talk.mp3" unasked. Qt's chooser asks about the final name.
    chooser.setOption(QFileDialog::DontUseNativeDialog, true);
    chooser.setNameFilters(request.nameFilters);
    chooser.setDefaultSuffix(request.defaultSuffix);
    chooser.selectFile(QString());
    if (chooser.exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList files = chooser.selectedFiles();
    if (files.isEmpty() || files.front().isEmpty())
        return std::nullopt;
    return QDir::toNativeSeparators(QFileInfo(files.front()).absoluteFilePath());
}

QStringList NameFiltersFromResource(const std::u16string& filter) {
    const QStringList parts = QString::fromStdU16String(filter).split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString& description = parts[i];
        if (description.isEmpty())
            break; // the "||" that ends the list
        const QString patterns = parts[i + 1].split(u';', Qt::SkipEmptyParts).join(u' ');
        const QString suffix = u'(' + patterns + u')';
        filters << (description.endsWith(suffix) ? description
                                                 : description.trimmed() + u' ' + suffix);
    }
    return filters;
}
