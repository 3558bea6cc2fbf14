#pragma once

#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <QCoreApplication>

#include <windows.h>

// What Windows sends the program's top-level windows, for a part that must
// hear of it (the session ending, ports coming and going) while it lives.
class WindowsMessageFilter : public QAbstractNativeEventFilter
{
public:
    WindowsMessageFilter()
    {
        if (QCoreApplication *app = QCoreApplication::instance())
            app->installNativeEventFilter(this);
    }
    ~WindowsMessageFilter() override
    {
        if (QCoreApplication *app = QCoreApplication::instance())
            app->removeNativeEventFilter(this);
    }

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *) override
    {
        if (eventType == "windows_generic_MSG")
            onMessage(*static_cast<const MSG *>(message));
        // Qt handles every message as well.
        return false;
    }

protected:
    virtual void onMessage(const MSG &message) = 0;
};
