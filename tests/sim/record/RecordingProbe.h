// What a recording file holds, as a player reads it (libavformat).
#pragma once

#include <string>
#include <vector>

struct Probed {
    std::string error;           // empty when the file was read
    std::string container, codec;
    int width = 0, height = 0;
    std::vector<double> times;   // each frame's time, seconds from the first
};

Probed probeRecording(const std::string& path);
