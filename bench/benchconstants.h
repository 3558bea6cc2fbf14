#pragma once

#include <QtGlobal>

#include <chrono>

namespace Bench {

using namespace std::chrono_literals;

// What the console should do: one command byte every 16 ms.
inline constexpr std::chrono::milliseconds RepeatPeriod = 16ms;
// 57600 baud, 10 bits a byte on the wire.
inline constexpr qint64 LineRateBytesPerSecond = 5760;

// Each driving run: the first stretch warms up and is not counted, then the
// pointer leaves for the stop bar and comes back at a steady pace.
inline constexpr std::chrono::milliseconds WarmUp = 300ms;
inline constexpr std::chrono::milliseconds StopEvery = 300ms;
// Parked on the stop bar before driving again, so each stop is a real one.
inline constexpr std::chrono::milliseconds StopDwell = 30ms;
// A command later than this counts as missing.
inline constexpr std::chrono::milliseconds ReplyTimeout = 2000ms;

// The writer's pace: a small chunk every few milliseconds, as a UART would
// deliver a few bytes per read.
inline constexpr std::chrono::milliseconds ChunkPeriod = 4ms;

// A console that has been started and connected gets this long to settle.
inline constexpr std::chrono::milliseconds Settle = 500ms;
// "Quiet": less CPU than this over one window.
inline constexpr std::chrono::milliseconds QuietWindow = 250ms;
inline constexpr double QuietCpuSeconds = 0.02;
inline constexpr std::chrono::milliseconds QuietTimeout = 30s;

inline constexpr std::chrono::seconds IdleRun = 3s;
inline constexpr int StartupRuns = 5;

inline constexpr qint64 BulkBytes = 100'000'000;
inline constexpr qsizetype BulkChunkBytes = 64 * 1024;
// Room for a console that takes about 1 MB/s to get through all of it.
inline constexpr std::chrono::seconds BulkLimit = 120s;

// The log keeps the newest 1,000,000 characters; this is well past that.
inline constexpr qint64 LogFillBytes = 1'300'000;
inline constexpr qint64 LogCostBytes = 256'000;
inline constexpr qint64 LogCostBytesPerSecond = 10 * LineRateBytesPerSecond;

} // namespace Bench
