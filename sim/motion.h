#pragma once

enum class Motion { Stop, Forward, Backward, TurnLeft, TurnRight };
