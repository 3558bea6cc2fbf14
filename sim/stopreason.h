#pragma once

enum class StopReason { Command, Watchdog };
