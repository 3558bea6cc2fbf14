#pragma once

#include <QString>

class QWidget;

// Shows the one modal message the console has, behind an interface so tests
// can record it instead of blocking on a dialog.
class MessageBoxPresenter
{
public:
    virtual ~MessageBoxPresenter() = default;
    // A modal box with the critical-error icon and a single OK button.
    virtual void critical(QWidget *parent, const QString &title, const QString &text) = 0;
};
