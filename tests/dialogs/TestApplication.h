#pragma once
// The one QApplication of the dialog tests. It lives from the start to the end
// of the test run (widgets need it; a second one is not allowed) and is
// destroyed before the program exits, so that nothing it holds looks leaked.

#include <QApplication>

QApplication& TestApplication();
