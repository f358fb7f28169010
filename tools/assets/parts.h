// A section of the song (an order, or a layer entering partway through one)
// described by what each part plays, and the writer that turns it into rows.
#ifndef MARDUNQIST_ASSETS_PARTS_H
#define MARDUNQIST_ASSETS_PARTS_H

#include "score.h"

#include <vector>

namespace assets {

enum class Drums { none, pulse, basic, groove, full, halfTime, build };
enum class Fill { none, lastBeat, lastBar };
enum class Bass { none, sustained, quarters, offbeat, octaves, rolling, riff };
enum class Pads { none, sustained, pumping, stabs };
enum class Arp { none, eighths, sixteenths };

struct Section {
    int rows = 64;
    Progression chords{};     // repeats if shorter than the section
    double level = 1.0;       // loudness at the first row, 0..1
    double levelEnd = -1.0;   // at the last row; negative: the same as `level`
    Drums drums = Drums::none;
    Fill fill = Fill::none;
    Bass bass = Bass::none;
    Pads pads = Pads::none;
    Arp arp = Arp::none;
    std::vector<Note> lead{}; // rows relative to the section
    int harmonySteps = 0;     // a second lead voice this many scale steps away; 0: none
    std::vector<Note> bell{};
    int bellTranspose = 0;    // semitones
    bool crash = false;       // cymbal and, with `boom`, a low hit on the first row
    bool boom = false;
    bool riser = false;       // noise rising over the last two bars
    bool swell = false;       // reverse cymbal over the last bar
};

// Writes `section` into the score from `firstRow` on.
void writeSection(Score& score, int firstRow, const Section& section);

// Stops every sustained voice still sounding at `row` that nothing replaces
// there: sections hand over cleanly, and the song ends in silence.
void closeSustains(Score& score, int row);

} // namespace assets

#endif
