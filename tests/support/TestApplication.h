#pragma once
// The one QApplication of a suite of window and dialog tests. It lives from
// the start to the end of the test run (widgets need it; a second one is not
// allowed) and is destroyed before the program exits: Qt's own globals are
// destroyed then, and a QApplication outliving them crashes.

#include <QApplication>

QApplication& TestApplication();
