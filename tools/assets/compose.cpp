// The song: its tunes, and the arrangement order by order. The show's
// pictures follow the order number, so the layout of orders is fixed: an
// intro at order 0, a first section (1 to 7), a turn (8), a fuller section
// (9 to 13), the main section (14 to 31), a 64-row breakdown (32) and the
// outro under the credits (33 on), after which the song simply ends.
#include "assets.h"
#include "parts.h"

#include <string_view>
#include <utility>

namespace assets {
namespace {

// A minor, 140 BPM: six ticks a row, four rows a beat, sixteen a bar.
constexpr int songSpeed = 6;
constexpr int songTempo = 140;
// The test module: the same layout in a few seconds.
constexpr int briefSpeed = 3;
constexpr int briefTempo = 150;

// The theme, first heard at order 9 and sung slowly by the bell in the outro.
constexpr std::string_view themeA1 =
    "E5:4 D5:2 C5:2 D5:2 E5:2 A4:3 r:1 | C5:4 A4:2 C5:2 F5:4 E5:2 D5:2 |"
    " E5:6 G5:2 E5:2 D5:2 C5:4 | D5:8 B4:4 G4:3 r:1";
constexpr std::string_view themeA2 =
    "E5:4 D5:2 C5:2 D5:2 E5:2 A5:4 | A5:4 G5:2 F5:2 E5:4 C5:4 |"
    " E5:4 D5:2 C5:2 G5:4 E5:4 | D5:6 E5:2 D5:2 C5:2 B4:3 r:1";

// The hook of the main section, in a 3-3-2 rhythm.
constexpr std::string_view hookB1 =
    "A5:2 r:1 G5:2 r:1 E5:2 A5:2 r:1 G5:2 r:1 E5:2 | F5:2 r:1 E5:2 r:1 C5:2 F5:2 r:1 G5:2 r:1 A5:2 |"
    " G5:2 r:1 E5:2 r:1 C5:2 G5:2 r:1 E5:2 r:1 G5:2 | B5:3 A5:3 G5:2 D5:6 r:2";
constexpr std::string_view hookB2 =
    "A5:2 r:1 G5:2 r:1 E5:2 A5:2 r:1 G5:2 r:1 E5:2 | F5:2 r:1 E5:2 r:1 C5:2 F5:2 r:1 G5:2 r:1 A5:2 |"
    " C6:2 r:1 B5:2 r:1 G5:2 E5:2 r:1 G5:2 r:1 C6:2 | B5:6 A5:2 G5:4 r:4";

// Question and answer over Dm F G Am, for the middle of the main section.
constexpr std::string_view callC1 =
    "D5:2 F5:2 A5:4 G5:2 F5:2 E5:2 D5:2 | C5:2 F5:2 A5:4 C6:4 A5:4 |"
    " B5:2 G5:2 D5:4 G5:2 B5:2 D6:4 | C6:4 B5:2 A5:2 E5:6 r:2";
constexpr std::string_view callC2 =
    "D5:2 F5:2 A5:4 G5:2 F5:2 E5:2 D5:2 | C5:2 F5:2 A5:4 C6:4 D6:4 |"
    " D6:2 B5:2 G5:4 B5:2 A5:2 G5:4 | A5:12 r:4";

// Bell lines.
constexpr std::string_view bellIntro =
    "r:8 E5:4 A5:4 | B5:4 C6:8 r:4 | r:8 F5:4 A5:4 | C6:4 A5:8 r:4 |"
    " r:8 G5:4 C6:4 | E6:4 D6:8 r:4 | r:8 D5:4 G5:4 | B5:4 D6:8 r:4";
constexpr std::string_view bellCounter = "A5:8 E5:8 | F5:8 C6:8 | G5:8 E5:8 | D5:8 B5:8";
constexpr std::string_view bellCounter2 = "E6:4 C6:4 A5:8 | C6:4 A5:4 F5:8 | E5:4 G5:4 C6:8 | B5:4 G5:4 D5:8";
constexpr std::string_view bellTurn = "D6:8 A5:8 | C6:8 A5:8 | B5:8 D6:8 | B5:8 G#5:8";
constexpr std::string_view bellBreakdown = "A5:8 F5:8 | C6:8 A5:8 | B5:8 G5:8 | G#5:16";
constexpr std::string_view bellFarewell = "A5:16 | E5:16 | C5:16 | A4:48";

constexpr std::string_view lineBuild = "A5:16 | F5:16 | G5:16 | G#5:16";

// The notes of `notes` that start within [from, from + rows), moved to start at 0.
std::vector<Note> excerpt(const std::vector<Note>& notes, int from, int rows)
{
    std::vector<Note> out;
    for (const Note& n : notes)
        if (n.row >= from && n.row < from + rows)
            out.push_back({n.row - from, n.length, n.pitch});
    return out;
}

struct Order {
    Section section;
    std::vector<std::pair<int, Section>> overlays{};  // parts that enter at a row of the order
};

std::vector<Order> fullArrangement()
{
    const Progression home = progression("Am F C G");
    const Progression away = progression("Dm F G E");
    const Progression answer = progression("Dm F G Am");
    const auto a1 = melody(themeA1);
    const auto a2 = melody(themeA2);
    const auto b1 = melody(hookB1);
    const auto b2 = melody(hookB2);
    const auto slowA1 = melody(themeA1, 2);
    const auto slowA2 = melody(themeA2, 2);

    std::vector<Order> o;
    // 0: the opening scene. Pads and bell rise out of silence; the arpeggio
    // joins halfway; a reverse cymbal pulls into the beat.
    o.push_back({{.rows = 128, .chords = progression("Am:2 F:2 C:2 G:2"), .level = 0.55, .levelEnd = 0.8,
                  .bass = Bass::sustained, .pads = Pads::sustained, .bell = melody(bellIntro), .swell = true},
                 {{64, {.chords = progression("C:2 G:2"), .level = 0.3, .levelEnd = 0.7, .arp = Arp::eighths}}}});

    // 1-7: the first section, one layer at a time.
    o.push_back({{.chords = home, .level = 0.7, .drums = Drums::pulse, .bass = Bass::offbeat, .pads = Pads::sustained,
                  .crash = true}});
    o.push_back({{.chords = home, .level = 0.72, .drums = Drums::basic, .bass = Bass::offbeat,
                  .pads = Pads::sustained}});
    o.push_back({{.chords = home, .level = 0.75, .drums = Drums::groove, .bass = Bass::offbeat,
                  .pads = Pads::sustained, .arp = Arp::eighths}});
    o.push_back({{.chords = home, .level = 0.78, .drums = Drums::groove, .bass = Bass::octaves,
                  .pads = Pads::sustained, .arp = Arp::eighths, .bell = melody(bellCounter)}});
    o.push_back({{.chords = home, .level = 0.8, .drums = Drums::full, .bass = Bass::octaves, .pads = Pads::pumping,
                  .arp = Arp::eighths, .crash = true}});
    o.push_back({{.chords = home, .level = 0.8, .drums = Drums::full, .bass = Bass::octaves, .pads = Pads::pumping,
                  .arp = Arp::sixteenths, .bell = melody(bellCounter2)}});
    o.push_back({{.chords = home, .level = 0.82, .drums = Drums::full, .fill = Fill::lastBar, .bass = Bass::octaves,
                  .pads = Pads::pumping, .arp = Arp::sixteenths, .bell = melody(bellCounter), .riser = true}});

    // 8: the turn, away from home in half time.
    o.push_back({{.chords = away, .level = 0.75, .drums = Drums::halfTime, .bass = Bass::quarters,
                  .pads = Pads::sustained, .bell = melody(bellTurn), .crash = true, .swell = true}});

    // 9-13: the theme over the full beat.
    o.push_back({{.chords = home, .level = 0.85, .drums = Drums::full, .bass = Bass::octaves, .pads = Pads::pumping,
                  .arp = Arp::eighths, .lead = a1, .crash = true, .boom = true}});
    o.push_back({{.chords = home, .level = 0.85, .drums = Drums::full, .bass = Bass::octaves, .pads = Pads::pumping,
                  .arp = Arp::eighths, .lead = a2}});
    o.push_back({{.chords = home, .level = 0.88, .drums = Drums::full, .bass = Bass::octaves, .pads = Pads::pumping,
                  .arp = Arp::sixteenths, .lead = a1, .harmonySteps = -2, .crash = true}});
    o.push_back({{.chords = home, .level = 0.88, .drums = Drums::full, .fill = Fill::lastBeat, .bass = Bass::octaves,
                  .pads = Pads::pumping, .arp = Arp::sixteenths, .lead = a2, .harmonySteps = -2}});
    o.push_back({{.chords = away, .level = 0.85, .levelEnd = 0.95, .drums = Drums::build, .bass = Bass::octaves,
                  .pads = Pads::sustained, .arp = Arp::sixteenths, .lead = melody(lineBuild), .riser = true,
                  .swell = true}});

    // 14-17: the hook.
    o.push_back({{.chords = home, .level = 0.95, .drums = Drums::full, .bass = Bass::rolling, .pads = Pads::pumping,
                  .arp = Arp::sixteenths, .lead = b1, .crash = true, .boom = true}});
    o.push_back({{.chords = home, .level = 0.95, .drums = Drums::full, .bass = Bass::rolling, .pads = Pads::pumping,
                  .arp = Arp::sixteenths, .lead = b2}});
    o.push_back({{.chords = home, .level = 0.95, .drums = Drums::full, .bass = Bass::rolling, .pads = Pads::pumping,
                  .arp = Arp::sixteenths, .lead = b1, .bell = a1, .crash = true}});
    o.push_back({{.chords = home, .level = 0.95, .drums = Drums::full, .fill = Fill::lastBeat, .bass = Bass::rolling,
                  .pads = Pads::pumping, .arp = Arp::sixteenths, .lead = b2, .bell = a2}});

    // 18-19: a breath: the beat thins out and the bell recalls the theme.
    o.push_back({{.chords = home, .level = 0.8, .drums = Drums::basic, .bass = Bass::sustained,
                  .pads = Pads::sustained, .arp = Arp::eighths, .bell = a1, .bellTranspose = 12}});
    o.push_back({{.chords = home, .level = 0.8, .drums = Drums::groove, .bass = Bass::offbeat,
                  .pads = Pads::sustained, .arp = Arp::sixteenths, .bell = a2, .bellTranspose = 12, .riser = true}});

    // 20-21: the build.
    o.push_back({{.chords = away, .level = 0.82, .levelEnd = 0.92, .drums = Drums::build, .bass = Bass::octaves,
                  .pads = Pads::sustained, .arp = Arp::sixteenths, .crash = true}});
    o.push_back({{.chords = away, .level = 0.92, .levelEnd = 1.0, .drums = Drums::build, .bass = Bass::rolling,
                  .pads = Pads::sustained, .arp = Arp::sixteenths, .lead = melody(lineBuild), .riser = true,
                  .swell = true}});

    // 22-25: the peak: hook and theme in harmony, bell sparkling above.
    o.push_back({{.chords = home, .level = 1.0, .drums = Drums::full, .bass = Bass::rolling, .pads = Pads::pumping,
                  .arp = Arp::sixteenths, .lead = b1, .harmonySteps = -2, .bell = a1, .bellTranspose = 12,
                  .crash = true, .boom = true}});
    o.push_back({{.chords = home, .level = 1.0, .drums = Drums::full, .bass = Bass::rolling, .pads = Pads::pumping,
                  .arp = Arp::sixteenths, .lead = b2, .harmonySteps = -2, .bell = a2, .bellTranspose = 12}});
    o.push_back({{.chords = home, .level = 1.0, .drums = Drums::full, .bass = Bass::rolling, .pads = Pads::pumping,
                  .arp = Arp::sixteenths, .lead = a1, .harmonySteps = 2, .crash = true}});
    o.push_back({{.chords = home, .level = 1.0, .drums = Drums::full, .fill = Fill::lastBar, .bass = Bass::rolling,
                  .pads = Pads::pumping, .arp = Arp::sixteenths, .lead = a2, .harmonySteps = 2}});

    // 26-27: question and answer over a riff, the pads turned to stabs.
    o.push_back({{.chords = answer, .level = 0.92, .drums = Drums::full, .bass = Bass::riff, .pads = Pads::stabs,
                  .lead = melody(callC1), .crash = true}});
    o.push_back({{.chords = answer, .level = 0.92, .drums = Drums::full, .fill = Fill::lastBeat, .bass = Bass::riff,
                  .pads = Pads::stabs, .arp = Arp::eighths, .lead = melody(callC2)}});

    // 28: one more build.
    o.push_back({{.chords = away, .level = 0.88, .levelEnd = 1.0, .drums = Drums::build, .bass = Bass::octaves,
                  .pads = Pads::sustained, .arp = Arp::sixteenths, .riser = true, .swell = true}});

    // 29-31: the last and fullest round.
    o.push_back({{.chords = home, .level = 1.0, .drums = Drums::full, .bass = Bass::riff, .pads = Pads::pumping,
                  .arp = Arp::sixteenths, .lead = b1, .harmonySteps = -2, .bell = a1, .bellTranspose = 12,
                  .crash = true, .boom = true}});
    o.push_back({{.chords = home, .level = 1.0, .drums = Drums::full, .bass = Bass::riff, .pads = Pads::pumping,
                  .arp = Arp::sixteenths, .lead = b2, .harmonySteps = -2, .bell = a2, .bellTranspose = 12}});
    o.push_back({{.chords = home, .level = 1.0, .drums = Drums::full, .fill = Fill::lastBar, .bass = Bass::rolling,
                  .pads = Pads::pumping, .arp = Arp::sixteenths, .lead = a1, .harmonySteps = 2, .bell = a1,
                  .bellTranspose = 12, .crash = true}});

    // 32: the breakdown; the picture starts to darken at its row 40.
    o.push_back({{.chords = away, .level = 0.72, .levelEnd = 0.5, .bass = Bass::sustained, .pads = Pads::sustained,
                  .bell = melody(bellBreakdown), .crash = true, .swell = true}});

    // 33-37: the outro under the credits, the theme slowed on the bell, thinning to silence.
    o.push_back({{.chords = progression("Am:2 F:2"), .level = 0.62, .drums = Drums::basic, .bass = Bass::sustained,
                  .pads = Pads::sustained, .arp = Arp::eighths, .bell = excerpt(slowA1, 0, 64), .crash = true}});
    o.push_back({{.chords = progression("C:2 G:2"), .level = 0.6, .drums = Drums::basic, .bass = Bass::sustained,
                  .pads = Pads::sustained, .arp = Arp::eighths, .bell = excerpt(slowA1, 64, 64)}});
    o.push_back({{.chords = progression("Am:2 F:2"), .level = 0.55, .drums = Drums::pulse,
                  .bass = Bass::sustained, .pads = Pads::sustained, .arp = Arp::eighths,
                  .bell = excerpt(slowA2, 0, 64)}});
    o.push_back({{.chords = progression("C:2 G:2"), .level = 0.5, .levelEnd = 0.42, .bass = Bass::sustained,
                  .pads = Pads::sustained, .arp = Arp::eighths, .bell = excerpt(slowA2, 64, 64)}});
    o.push_back({{.rows = 96, .chords = progression("Am:6"), .level = 0.42, .levelEnd = 0.0, .bass = Bass::sustained,
                  .pads = Pads::sustained, .bell = melody(bellFarewell)}});
    return o;
}

// Orders 0 to 33 in a few seconds: a short intro, one-beat middle orders, a
// 48-row order 32 (past the row where the ending begins) and a short fade.
std::vector<Order> briefArrangement()
{
    static constexpr std::string_view chordNames[] = {"Am", "F", "C", "G"};
    std::vector<Order> o;
    o.push_back({{.rows = 16, .chords = progression("Am"), .level = 0.6, .pads = Pads::sustained,
                  .bell = melody("E5:4 A5:4 B5:4 C6:4")}});
    for (int order = 1; order <= 31; ++order)
        o.push_back({{.rows = 2, .chords = {{chord(chordNames[order % 4]), 1}}, .level = 0.7,
                      .drums = order % 2 ? Drums::pulse : Drums::none, .bass = Bass::quarters,
                      .arp = Arp::eighths}});
    o.push_back({{.rows = 48, .chords = progression("Dm F G"), .level = 0.6, .levelEnd = 0.45,
                  .bass = Bass::sustained, .pads = Pads::sustained, .bell = melody("A5:16 C6:16 B5:16")}});
    o.push_back({{.rows = 24, .chords = progression("Am:2"), .level = 0.45, .levelEnd = 0.0,
                  .pads = Pads::sustained, .bell = melody("A5:24")}});
    return o;
}

bool samePattern(const itw::Pattern& a, const itw::Pattern& b)
{
    if (a.rows != b.rows || a.channels != b.channels)
        return false;
    for (std::size_t i = 0; i < a.cells.size(); ++i) {
        const itw::Cell& x = a.cells[i];
        const itw::Cell& y = b.cells[i];
        if (x.note != y.note || x.sample != y.sample || x.volume != y.volume || x.effect != y.effect ||
            x.param != y.param)
            return false;
    }
    return true;
}

// Samples that no pattern plays keep their number but lose their data, so the
// test module stays small.
void dropUnplayedSamples(itw::Module& m)
{
    std::vector<bool> played(m.samples.size() + 1, false);
    for (const itw::Pattern& p : m.patterns)
        for (const itw::Cell& cell : p.cells)
            if (cell.sample > 0 && cell.sample <= static_cast<int>(m.samples.size()))
                played[static_cast<std::size_t>(cell.sample)] = true;
    for (std::size_t i = 0; i < m.samples.size(); ++i)
        if (!played[i + 1]) {
            m.samples[i].pcm.clear();
            m.samples[i].loop = false;
        }
}

itw::Module assemble(const std::vector<Order>& orders, int speed, int tempo)
{
    int totalRows = 0;
    for (const Order& order : orders)
        totalRows += order.section.rows;

    Score score(totalRows);
    std::vector<int> starts;
    int row = 0;
    for (const Order& order : orders) {
        starts.push_back(row);
        writeSection(score, row, order.section);
        for (const auto& [offset, overlay] : order.overlays)
            writeSection(score, row + offset, overlay);
        row += order.section.rows;
    }
    for (std::size_t i = 1; i < starts.size(); ++i)
        closeSustains(score, starts[i]);
    closeSustains(score, totalRows);

    itw::Module m;
    m.name = "kelvo mardunqist";
    m.speed = static_cast<std::uint8_t>(speed);
    m.tempo = static_cast<std::uint8_t>(tempo);
    m.globalVolume = 128;
    m.mixVolume = 60;
    m.channelPan = channelPanning();
    const double barSeconds = rowsPerBar * itw::rowSeconds(speed, tempo);
    m.samples = synthesiseVoices(2.0 * barSeconds, barSeconds);
    // Each order gets its own pattern unless an identical one exists already.
    for (std::size_t i = 0; i < orders.size(); ++i) {
        itw::Pattern p = score.slice(starts[i], orders[i].section.rows);
        std::size_t index = 0;
        while (index < m.patterns.size() && !samePattern(m.patterns[index], p))
            ++index;
        if (index == m.patterns.size())
            m.patterns.push_back(std::move(p));
        m.orders.push_back(static_cast<std::uint8_t>(index));
    }
    dropUnplayedSamples(m);
    return m;
}

} // namespace

itw::Module composeModule(ModuleKind kind)
{
    if (kind == ModuleKind::brief)
        return assemble(briefArrangement(), briefSpeed, briefTempo);
    return assemble(fullArrangement(), songSpeed, songTempo);
}

} // namespace assets
