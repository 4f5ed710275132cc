#pragma once
// The product's home page and voice download page (IDS_HOME_PAGE and IDS_VOICES_PAGE). The
// pages ship with the program: in share/vocalith of its build tree, or of the
// prefix it is installed in.

#include <QString>

namespace WebPages {
// The folder the pages are installed in, as a file:// address without a
// trailing slash.
QString BaseAddress();
QString HomePage();
// On the same host as the home page, path ending "/download.html#voices".
QString VoicesPage();
// Asks the desktop to open the address; the outcome is ignored.
void Open(const QString& address);
} // namespace WebPages
