#include "activecommandmark.h"

#include <QLabel>
#include <QPalette>

ActiveCommandMark::ActiveCommandMark(QList<std::pair<QLatin1String, QLabel *>> labels)
    : m_labels(std::move(labels))
{}

void ActiveCommandMark::show(const QString &command, bool repeating)
{
    for (const auto &[labelCommand, label] : m_labels) {
        const bool marked = repeating && command == labelCommand;
        label->setAutoFillBackground(marked);
        // The text follows on its own: a Highlight background makes the
        // label's text role HighlightedText. NoRole goes back to the window's.
        label->setBackgroundRole(marked ? QPalette::Highlight : QPalette::NoRole);
    }
}
