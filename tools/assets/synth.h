// The module's instruments, synthesised as IT samples.
#ifndef MARDUNQIST_ASSETS_SYNTH_H
#define MARDUNQIST_ASSETS_SYNTH_H

#include "it_writer.h"

#include <vector>

namespace assets {

// Sample numbers in the module (1-based, as the patterns name them).
enum class Voice : int {
    kick = 1,
    snare,
    clap,
    closedHat,
    openHat,
    crash,
    bass,
    subBass,
    pad,
    pluck,
    lead,
    bell,
    riser,
    reverseCymbal,
    boom,
};
constexpr int voiceCount = static_cast<int>(Voice::boom);

// Pitched voices are tuned so that tracker note 60 (C-5) sounds middle C;
// drums sound as recorded at note 60. The riser lasts `riserSeconds` and the
// reverse cymbal `swellSeconds`, so both end on a downbeat.
std::vector<itw::Sample> synthesiseVoices(double riserSeconds, double swellSeconds);

} // namespace assets

#endif
