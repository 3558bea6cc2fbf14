#pragma once

#include <QString>

class QWidget;

// Shows the console's modal messages (a failed Connect, a failed save), behind
// an interface so tests can record them instead of blocking on a dialog.
class MessageBoxPresenter
{
public:
    virtual ~MessageBoxPresenter() = default;
    // A modal box with the critical-error icon and a single OK button; text
    // says what failed, informativeText (plain text, may be empty) why.
    virtual void critical(QWidget *parent, const QString &title, const QString &text,
                          const QString &informativeText) = 0;
};

// The real dialogs.
class DialogMessageBoxPresenter : public MessageBoxPresenter
{
public:
    void critical(QWidget *parent, const QString &title, const QString &text,
                  const QString &informativeText) override;
};
