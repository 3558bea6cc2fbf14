#pragma once

#include "benchresults.h"

#include <QJsonObject>
#include <QString>

// The results as the bench prints them (Markdown tables, ready to paste) and
// the same numbers as JSON.
class BenchReport
{
public:
    explicit BenchReport(const BenchResults &results);

    QString table() const;
    QJsonObject json() const;

private:
    // The table of the measures besides driving.
    QString measures() const;
    QString gamepad() const;

    const BenchResults &m_results;
};
