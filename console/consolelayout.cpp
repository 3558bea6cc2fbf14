#include "consolelayout.h"

#include "consolefonts.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QList>
#include <QPlainTextEdit>
#include <QWidget>

namespace ConsoleLayout {

namespace {
void setCaption(QWidget *widget, const QString &caption)
{
    if (auto *label = qobject_cast<QLabel *>(widget))
        label->setText(caption);
    else if (auto *button = qobject_cast<QAbstractButton *>(widget))
        button->setText(caption);
    else if (auto *combo = qobject_cast<QComboBox *>(widget))
        combo->setEditText(caption);
    else if (auto *edit = qobject_cast<QPlainTextEdit *>(widget))
        edit->setPlainText(caption);
}
} // namespace

void apply(QWidget *window)
{
    ConsoleFonts::ensureTahoma();
    window->setFont(ConsoleFonts::windowDefault());
    window->setFixedSize(clientSize());

    QList<QWidget *> tabOrder;
    for (const ControlDesign &design : Controls) {
        auto *widget = window->findChild<QWidget *>(QString::fromLatin1(design.name));
        if (!widget)
            qFatal("The console window has no control named %s", design.name);
        widget->setGeometry(toPixels(design));
        if (design.font != ControlDesign::Font::WindowDefault)
            widget->setFont(ConsoleFonts::font(design.font));
        setCaption(widget, QCoreApplication::translate("ConsoleLayout", design.caption));
        if (*design.accessibleName)
            widget->setAccessibleName(
                QCoreApplication::translate("ConsoleLayout", design.accessibleName));
        if (*design.accessibleDescription)
            widget->setAccessibleDescription(
                QCoreApplication::translate("ConsoleLayout", design.accessibleDescription));
        if (design.sizedToCaption)
            widget->resize(widget->sizeHint());
        if (design.tabIndex >= 0 && widget->focusPolicy() != Qt::NoFocus) {
            tabOrder.resize(qMax(tabOrder.size(), qsizetype(design.tabIndex + 1)));
            tabOrder[design.tabIndex] = widget;
        }
    }
    tabOrder.removeAll(nullptr);
    for (qsizetype i = 1; i < tabOrder.size(); ++i)
        QWidget::setTabOrder(tabOrder[i - 1], tabOrder[i]);
    window->findChild<QLabel *>(QStringLiteral("Label2"))
        ->setBuddy(window->findChild<QWidget *>(QStringLiteral("Combo4")));
}

} // namespace ConsoleLayout
