#pragma once
// The one QApplication of the dialog tests, created on first use and kept
// for the whole run (widgets need it; a second one is not allowed).

#include <QApplication>

inline QApplication& TestApplication() {
    static int argc = 1;
    static char name[] = "dialogs_test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}
