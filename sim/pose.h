#pragma once

// Arena coordinates: origin at the centre, x to the right (east), y up (north).
// Heading in degrees within [0, 360): 0 faces +x, counterclockwise is positive,
// so turning left increases it.
struct Pose
{
    double x = 0.0; // metres
    double y = 0.0; // metres
    double headingDegrees = 0.0;
};
