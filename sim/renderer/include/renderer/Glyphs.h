// The system's small pictures that the lock screen draws: the padlock, the
// camera and flashlight, the media transport's arrows and the speaker. Each
// fills its box (user-space points) with the context's current source, so the
// caller chooses the colour and alpha.
#pragma once

#include <cairo.h>

#include "graphics/Geometry.h"

namespace render {

// A padlock, its shackle lifted and swung open when `open`.
void paintPadlock(cairo_t* cr, CGRect box, bool open);
// A camera body with its lens.
void paintCamera(cairo_t* cr, CGRect box);
// A torch: head, body and switch.
void paintFlashlight(cairo_t* cr, CGRect box);

enum class Transport { Backward, Play, Pause, Forward };
// The media controls' buttons: double arrows back and forward, play, pause.
void paintTransport(cairo_t* cr, CGRect box, Transport what);
// A speaker with `waves` sound waves (0 to 3).
void paintSpeaker(cairo_t* cr, CGRect box, int waves);

}  // namespace render
