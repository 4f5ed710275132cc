#pragma once
// Builds the widgets of a dialog template inside a host widget, the way the
// platform's dialog manager lays out a dialog resource: dialog units are
// turned into pixels with the template font's metrics, so the layout follows
// the font size and the screen's scaling.

#include "src/resources/DialogTemplates.h"

#include <QFont>
#include <QRect>
#include <QSize>
#include <QWidget>
#include <vector>

class TemplateLayout {
public:
    // Creates one widget per control as a child of `host`, in template order
    // (which is the tab order), sets the host's font to the template font and
    // sizes the host to the template. The widgets belong to `host`.
    TemplateLayout(QWidget* host, const DialogTemplate& tmpl);

    // The widget of the control with this id; nullptr when the template has none.
    QWidget* Control(int id) const;
    template <class W> W* Get(int id) const { return qobject_cast<W*>(Control(id)); }

    // Every control's widget, static ones included, in template order.
    const std::vector<QWidget*>& Widgets() const { return m_widgets; }

    // The template's size in pixels.
    QSize Size() const { return m_size; }

    // A rectangle in dialog units in pixels, as the template's controls are placed.
    QRect MapDialogRect(int x, int y, int cx, int cy) const;

    // The font a template is laid out in: the system's user-interface font
    // (the template's "MS Shell Dlg" stands for it) at the template's point size.
    static QFont TemplateFont(const DialogTemplate& tmpl);

private:
    QWidget* CreateControl(QWidget* host, const DialogControl& c);
    void AssignAccessibleNamesAndBuddies(const DialogTemplate& tmpl);

    int m_baseX = 0; // average character width, pixels
    int m_baseY = 0; // character height, pixels
    QSize m_size;
    std::vector<QWidget*> m_widgets;
};
