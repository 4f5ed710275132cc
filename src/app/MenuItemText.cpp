#include "src/app/MenuItemText.h"

#include <QAction>
#include <QKeySequence>
#include <QString>

void ApplyMenuItemText(QAction& action, const QString& templateText) {
    const qsizetype tab = templateText.indexOf(u'\t');
    action.setText(templateText.left(tab));
    if (tab < 0)
        return;
    action.setShortcut(
        QKeySequence::fromString(templateText.mid(tab + 1), QKeySequence::PortableText));
    // The frame's accelerator table carries out the keys in the window; the
    // binding acts only inside the open menu itself.
    action.setShortcutContext(Qt::WidgetShortcut);
}
