#include "src/app/WebPages.h"

#include "InstallPaths.h"
#include "src/app/ResString.h"
#include "src/resources/MessageService.h"
#include "src/resources/resource.h"

#include <QCoreApplication>
#include <QDir>
#include <QUrl>

namespace {

// IDS_HOME_PAGE and IDS_VOICES_PAGE hold "%s" where the pages' folder goes.
QString Resolve(UINT id) {
    QString address = ResString(id);
    return address.replace(QStringLiteral("%s"), WebPages::BaseAddress());
}

} // namespace

namespace WebPages {

QString BaseAddress() {
    // A program run from its build tree shows the pages of that tree; an
    // installed one those of the prefix it was configured for.
    const bool inBuildTree = QDir(QCoreApplication::applicationDirPath()).canonicalPath() ==
                             QDir(QStringLiteral(VOCALITH_BUILD_BIN_DIR)).canonicalPath();
    const QString dir =
        QString::fromUtf8(inBuildTree ? VOCALITH_BUILD_DATA_DIR : VOCALITH_INSTALL_DATA_DIR);
    return QUrl::fromLocalFile(QDir::cleanPath(dir)).toString();
}

QString HomePage() {
    return Resolve(IDS_HOME_PAGE);
}

QString VoicesPage() {
    return Resolve(IDS_VOICES_PAGE);
}

void Open(const QString& address) {
    if (MessageService* service = GetMessageService())
        service->OpenUrl(address.toStdU16String());
}

} // namespace WebPages
