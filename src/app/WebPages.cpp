#include "src/app/WebPages.h"

#include "src/resources/MessageService.h"
#include "src/resources/StringTable.h"
#include "src/resources/resource.h"

#include <QCoreApplication>
#include <QDir>
#include <QUrl>

namespace {

// Strings 102 and 103 hold "%s" where the pages' folder goes.
QString Resolve(UINT id) {
    QString address = QString::fromStdU16String(LoadResString(id));
    return address.replace(QStringLiteral("%s"), WebPages::BaseAddress());
}

} // namespace

namespace WebPages {

QString BaseAddress() {
    const QString dir = QDir::cleanPath(QCoreApplication::applicationDirPath() +
                                        QStringLiteral("/../share/vocalith"));
    return QUrl::fromLocalFile(dir).toString();
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
