// The weather widget's condition pictures, drawn by the home screen itself:
// sun, cloud, rain and snow.
#pragma once

#include <string>

#include "foundation/Objects.h"

namespace springboard {

// A UIImage of `points` square at the device's scale; an unknown name draws
// the cloud. The same name gives the same image object.
id conditionImage(const std::string& icon, double points = 32);

}  // namespace springboard
