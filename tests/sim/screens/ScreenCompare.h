// Comparing a screenshot with its reference picture, with room for the small
// differences of font hinting and anti-aliasing between machines.
#pragma once

#include <filesystem>
#include <string>

// Font hinting and anti-aliasing may move a component a little between
// machines; a changed look moves thousands of pixels.
inline constexpr int kScreenTolerance = 48;
inline constexpr long long kMostDifferentPerMillion = 2000;

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

// With ORVELLE_UPDATE_REFERENCES set, `shot` becomes the reference and this
// answers true (the caller skips); else false.
bool updateReference(const std::filesystem::path& shot, const std::filesystem::path& reference);
// Expects `shot` to match `reference` within the screens' tolerance, naming
// both and a picture of the differences (`diff`) when it does not.
void expectLikeReference(const std::filesystem::path& shot, const std::filesystem::path& reference,
                         const std::filesystem::path& diff);
