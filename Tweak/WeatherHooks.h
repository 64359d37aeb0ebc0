// Capture of the system weather widget's values as it sets them.
#pragma once

#include "Tweak/HookTable.h"
#include "foundation/Objects.h"

namespace orvelle {

// Process-wide captured values: the three texts start as nothing (the widget
// has given none yet), the image as an empty image made when the library
// loads. A capture may store nothing.
struct CapturedWeather {
    id temp;
    id loc;
    id cond;
    id img;
};
CapturedWeather& captured();
void startCapturedWeather();

extern const Hook kStyleFormat;
extern const Hook kStyleSetFormat;
extern const Hook kSetTemperature;
extern const Hook kSetConditionsImage;
extern const Hook kSetLocationName;
extern const Hook kSetConditionsLine;

}  // namespace orvelle
