// A lock screen started in this process as SpringBoard starts it, with the
// tweak loaded (its panel shown or switched off), in a lock state, with
// media playing or not. Each start is a process's own.
#pragma once

#include <string>

#include "HostStart.h"
#include "LockState.h"
#include "renderer/Frame.h"

namespace tweak_host {

struct Scene {
    Host host;           // screen, model, version, wallpaper and the tweak's settings
    bool panel = false;  // the tweak's master switch
    springboard::LockState lock = springboard::LockState::Locked;
    bool media = false;
    double runSeconds = 2;  // on the virtual clock after the start, as a one-shot runs
};

ns::Result<> startScene(const Scene& scene, const std::string& tweakPath);

// The screen now, at `scale` pixels a point.
render::Frame sceneFrame(double scale);

}  // namespace tweak_host
