#pragma once
// Writes a section of a movie, stretched in time by a speed, to a file of
// its own: the sound alone (a RIFF WAVE file for a ".wav" name, otherwise an
// AVI file with one PCM stream), or the uncompressed picture with the sound
// (AVI). Also puts a written picture and a written sound together into one
// movie. Every file is built beside its target and renamed over it only
// when complete.

#include <cstdint>
#include <functional>
#include <string>

#include "base/Result.h"

namespace movalux {

struct SectionJob {
    std::string moviePath;
    double fromSeconds = 0;  // from the first picture
    double toSeconds = 0;
    double speed = 1;        // the output lasts (to - from) / speed seconds
    bool video = false;      // the picture too, uncompressed
    bool sound = true;       // the movie's sound (false for a movie without)
    double frameRate = 25;   // of the output, and the rate frame times are counted in
    double sourceRate = 25;  // the movie's own rate
    std::string outPath;
};

// Called with the part done (0..1); false stops the work (the target stays
// as it was).
using SectionProgress = std::function<bool(double done)>;

// Writes the section. A job without picture and sound writes nothing.
Status writeSection(const SectionJob& job, const SectionProgress& progress = {});

// A movie at outPath with the picture of videoPath (copied as it is) and the
// sound of soundPath, interleaved. The sound is copied where the container
// takes PCM and encoded (AAC) where it does not.
Status addSoundTrack(const std::string& videoPath, const std::string& soundPath,
                     const std::string& outPath);

// The sound of a file, counted by decoding it all.
struct SoundLength {
    int64_t samples = 0;  // sample frames
    int rate = 0;
    double seconds() const { return rate > 0 ? static_cast<double>(samples) / rate : 0; }
};
Result<SoundLength> measureSound(const std::string& path);

// Whether a file can be created at path: not a folder, in a folder where a
// file can be created (checked by creating and removing a job file there).
bool canCreateFile(const std::string& path);

}  // namespace movalux
