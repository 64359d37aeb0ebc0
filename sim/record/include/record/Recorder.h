// A recording written as it is made: frames of RGBA pixels at the times they
// were shown (a variable frame rate: a still screen costs no frames), encoded
// into WebM, MP4 or an animated GIF (ten frames a second at most) as the
// file's name asks. The file is
// written beside its name and takes it only when finished, so a recording
// that fails never leaves a half-written file under the name asked for.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "foundation/Result.h"

namespace record {

enum class Kind { WebM, MP4, GIF };

struct Format {
    Kind kind;
    const char* codec;  // the encoder's name, chosen by measurement
};

// The format a file's extension asks for (.webm, .mp4, .gif); a failure lists
// what is accepted.
ns::Result<Format> formatFor(const std::string& path);

class Recorder {
public:
    // Opens `path`'s working file for frames of width x height pixels; a
    // failure says why (an unwritable folder, a codec this machine lacks).
    static ns::Result<std::unique_ptr<Recorder>> open(const std::string& path, int width, int height,
                                                      const Format& format);
    // Removes the working file unless finish() took its place.
    ~Recorder();
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    // A frame shown from `seconds` after the recording began (width * height * 4 bytes).
    ns::Result<> add(const std::vector<std::uint8_t>& rgba, double seconds);
    // The last frame held until `seconds`, the file closed and given its name.
    ns::Result<> finish(double seconds);

    std::size_t frames() const { return frames_; }

private:
    struct Av;
    Recorder();
    ns::Result<> encode(const std::vector<std::uint8_t>& rgba, double seconds);
    ns::Result<> drain();

    std::unique_ptr<Av> av_;
    std::string path_, working_;
    std::size_t frames_ = 0;
    std::int64_t lastPts_ = -1;
    std::vector<std::uint8_t> last_, pending_;
    double lastShown_ = 0;
    double shortestGap_ = 0;  // frames closer than this are sampled
    bool finished_ = false;
};

}  // namespace record
