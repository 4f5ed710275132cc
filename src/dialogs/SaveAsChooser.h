#pragma once
// The Save-As file chooser of the output file dialog, and the conversion of
// the string table's filter texts ("desc|pattern|...||") into Qt's filters.

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <string>

class QWidget;

struct SaveAsRequest {
    QString title;
    QStringList nameFilters;
    QString defaultSuffix; // appended when the user types a name without one
};

// Gives the full path chosen, or nothing when the user cancelled.
using SaveAsChooser =
    std::function<std::optional<QString>(QWidget* owner, const SaveAsRequest& request)>;

// Qt's Save-As chooser, modal to `owner`: starts in the default folder with an
// empty name and asks before an existing file is replaced, also one that the
// typed name becomes with the default suffix.
std::optional<QString> RunSaveAsChooser(QWidget* owner, const SaveAsRequest& request);

// "Wave files (*.wav)|*.wav||" becomes {"Wave files (*.wav)"}; a description
// that does not end with its patterns gets them appended in parentheses.
QStringList NameFiltersFromResource(const std::u16string& filter);
