#include "src/app/AccessibleApplication.h"

#include <QApplication>
#include <QMenu>
#include <QtGui/qaccessibleobject.h>

namespace {

// Open menus of their own: those of the menu bar are reached through it.
QList<QMenu*> OpenContextMenus() {
    QList<QMenu*> menus;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* menu = qobject_cast<QMenu*>(w);
            menu && menu->isVisible() && !menu->parentWidget())
            menus << menu;
    return menus;
}

class AccessibleApplication final : public QAccessibleApplication {
public:
    int childCount() const override {
        return QAccessibleApplication::childCount() + static_cast<int>(OpenContextMenus().size());
    }

    QAccessibleInterface* child(int index) const override {
        const int windows = QAccessibleApplication::childCount();
        if (index < windows)
            return QAccessibleApplication::child(index);
        const QList<QMenu*> menus = OpenContextMenus();
        return index - windows < menus.size()
                   ? QAccessible::queryAccessibleInterface(menus[index - windows])
                   : nullptr;
    }

    int indexOfChild(const QAccessibleInterface* child) const override {
        const int index = QAccessibleApplication::indexOfChild(child);
        if (index >= 0 || !child)
            return index;
        const qsizetype menu = OpenContextMenus().indexOf(qobject_cast<QMenu*>(child->object()));
        return menu < 0 ? -1 : QAccessibleApplication::childCount() + static_cast<int>(menu);
    }
};

QAccessibleInterface* Factory(const QString& className, QObject* object) {
    if (object == qApp && className == QLatin1String("QApplication"))
        return new AccessibleApplication;
    return nullptr;
}

} // namespace

void InstallAccessibleApplication() {
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    QAccessible::installFactory(Factory);
}
