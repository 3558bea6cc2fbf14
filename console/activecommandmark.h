#pragma once

#include <QLatin1String>
#include <QList>
#include <QString>

#include <utility>

class QLabel;

// Marks the direction label whose command repeats, in the palette's highlight
// colour, and no label otherwise. Only the background changes: the labels are
// sized to their captions and must not move or grow.
class ActiveCommandMark
{
public:
    explicit ActiveCommandMark(QList<std::pair<QLatin1String, QLabel *>> labels);

    // As the drive session reports it.
    void show(const QString &command, bool repeating);

private:
    const QList<std::pair<QLatin1String, QLabel *>> m_labels;
};
