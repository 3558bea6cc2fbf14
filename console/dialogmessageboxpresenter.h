#pragma once

#include "messageboxpresenter.h"

class DialogMessageBoxPresenter : public MessageBoxPresenter
{
public:
    void critical(QWidget *parent, const QString &title, const QString &text,
                  const QString &informativeText) override;
};
