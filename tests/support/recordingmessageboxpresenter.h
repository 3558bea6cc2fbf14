#pragma once

#include "messageboxpresenter.h"

#include <QList>
#include <QString>

// Records every box the window would show instead of blocking on it.
class RecordingMessageBoxPresenter : public MessageBoxPresenter
{
public:
    struct Shown
    {
        QString title;
        QString text;
        QString informativeText;
    };

    void critical(QWidget *, const QString &title, const QString &text,
                  const QString &informativeText) override
    {
        shown.append({title, text, informativeText});
    }

    QList<Shown> shown;
};
