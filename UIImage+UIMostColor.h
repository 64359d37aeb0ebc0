// UIImage(mostColor): the most frequent exact colour of an image, sampled at
// 50 x 50, and whether it is light.
#pragma once

#include <cstddef>
#include <cstdint>

#include "foundation/Objects.h"

namespace orvelle {

// Sample edge and the lightness threshold on red + green + blue (0 to 255 each).
inline constexpr int kMostColorSampleEdge = 50;
inline constexpr double kLightColorSum = 633;

inline constinit const rt::Msg<id()> mostColor{"mostColor"};
inline constinit const rt::Msg<bool()> isLightColor{"isLightColor"};
// The colour's red, green and blue as 0 to 255, drawn into one pixel.
inline constinit const rt::Msg<void(double* components, id colour)> getRGBComponents_forColor{
    "getRGBComponents:forColor:"};

// Adds the three to UIImage. Runs at load; safe to call again.
void addMostColorCategory();

// The colour key (R, G, B, A bytes, packed high to low) that occurs most often
// in `count` RGBA pixels; among equally frequent keys the greatest wins, so the
// answer never depends on the order the pixels came in.
std::uint32_t mostFrequentKey(const std::uint8_t* rgba, std::size_t count);

}  // namespace orvelle
