#pragma once

#include <QString>

#include <chrono>

struct SimOptions
{
    bool headless = false;
    std::chrono::milliseconds watchdogTimeout{250};
    std::chrono::milliseconds poseInterval{250};
    qint64 floodTextBytesPerSecond = 0;   // 0: off
    qint64 floodRandomBytesPerSecond = 0; // 0: off
    QString linkPath;                     // empty: no link
    QString screenshotPath;               // empty: run normally
    std::chrono::milliseconds screenshotDelay{1000};
};
