// Comparing a screenshot with its reference picture, with room for the small
// differences of font hinting and anti-aliasing between machines.
#pragma once

#include <string>

struct Comparison {
    std::string error;         // a picture could not be read, or the sizes differ
    long long pixels = 0;      // in the picture
    long long different = 0;   // pixels with a component further off than the tolerance
};

// `tolerance`: the largest difference of one 8-bit component that still counts
// as the same. Writes a picture of the differing pixels (red over a faded copy
// of the reference) to `diffFile` when it is given and some pixels differ.
Comparison comparePNGs(const std::string& actualFile, const std::string& referenceFile, int tolerance,
                       const std::string& diffFile = {});
