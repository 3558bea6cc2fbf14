#include "detectableautorepeat.h"
#include "dialogmessageboxpresenter.h"
#include "portdirectory.h"
#include "qtseriallink.h"
#include "tavimork_pc_controlled_bot.h"

#include <QApplication>

#include <memory>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tavimork"));
    QGuiApplication::setDesktopFileName(QStringLiteral("tavimork"));

    if (QGuiApplication::platformName() == QLatin1String("xcb") && !DetectableAutoRepeat::enable())
        qWarning("The X server refused detectable auto-repeat: holding a steering key may send "
                 "stray stops.");

    const PortDirectory directory;
    Tavimork_PC_Controlled_Bot window(std::make_unique<QtSerialLink>(directory),
                                      std::make_unique<DialogMessageBoxPresenter>(), directory);
    window.show();
    return app.exec();
}
