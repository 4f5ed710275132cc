#pragma once
// A menu item's text from the menu templates, "&Speak\tCtrl+S", put on an
// action as its text ("&Speak") and its key binding (Ctrl+S): the menu shows
// the keys in their column and screen readers announce them as the item's
// shortcut, not as part of its name.

class QAction;
class QString;

void ApplyMenuItemText(QAction& action, const QString& templateText);
