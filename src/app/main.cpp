#include "platform/Runtimes.h"
#include "src/app/CApp.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vocalith"));
    RegisterPlatformRuntimes();
    CApp app;
    if (!app.InitInstance())
        return app.ExitInstance();
    return app.Run();
}
