// The generated default files: the module as libopenmpt plays it (layout of
// orders, timing, levels), the pictures as libjpeg decodes them, and the
// folder the generator writes.
#include "assets.h"
#include "platform/end_signals.h"
#include "parts.h"
#include "render.h"
#include "score.h"
#include "support/special_files.h"
#include "synth.h"

#include <gtest/gtest.h>
#include <jpeglib.h>
#include <libopenmpt/libopenmpt.hpp>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <csignal>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int rate = 44100;

double decibels(double amplitude)
{
    return 20.0 * std::log10(std::max(amplitude, 1e-12));
}

// libopenmpt 0.7 reports fractional tempos and deprecates the whole-number call.
double currentTempo(const openmpt::module& module)
{
#if OPENMPT_API_VERSION_AT_LEAST(0, 7, 0)
    return module.get_current_tempo2();
#else
    return module.get_current_tempo();
#endif
}

// One pass through a module, as the show plays it: once, at 44.1 kHz, stereo.
struct Playback {
    double reportedSeconds = 0.0;          // libopenmpt's own estimate
    std::vector<float> samples;            // interleaved left, right
    std::vector<int> ordersInPlayOrder;    // each order once per visit
    std::vector<double> visitStartSeconds; // when each of those visits began
    double songEndSeconds = -1.0;          // when the position fell back to the start
    double slowestBpm = 1e9;
    double fastestBpm = 0.0;

    double seconds() const { return static_cast<double>(samples.size()) / (2.0 * rate); }
    double startOf(int order) const
    {
        for (std::size_t i = 0; i < ordersInPlayOrder.size(); ++i)
            if (ordersInPlayOrder[i] == order)
                return visitStartSeconds[i];
        ADD_FAILURE() << "order " << order << " never played";
        return 0.0;
    }
    // Peak and RMS over [from, to) seconds.
    std::pair<double, double> levels(double from, double to) const
    {
        const auto first = static_cast<std::size_t>(from * rate) * 2;
        const auto last = std::min(samples.size(), static_cast<std::size_t>(to * rate) * 2);
        double peak = 0.0, sum = 0.0;
        for (std::size_t i = first; i < last; ++i) {
            peak = std::max(peak, static_cast<double>(std::fabs(samples[i])));
            sum += static_cast<double>(samples[i]) * samples[i];
        }
        return {decibels(peak), decibels(std::sqrt(sum / std::max<std::size_t>(1, last - first)))};
    }
};

Playback play(const std::vector<std::uint8_t>& bytes)
{
    openmpt::module module(bytes);
    module.set_repeat_count(0);
    Playback p;
    p.reportedSeconds = module.get_duration_seconds();
    std::vector<float> block(2 * 128);
    std::size_t frames = 0;
    while (const std::size_t got = module.read_interleaved_stereo(rate, 128, block.data())) {
        const int order = module.get_current_order();
        const double now = static_cast<double>(frames) / rate;
        // Past the last row libopenmpt reports order 0 while the mix dies away.
        const bool pastTheEnd = order == 0 && !p.ordersInPlayOrder.empty() && p.ordersInPlayOrder.back() != 0;
        if (pastTheEnd) {
            if (p.songEndSeconds < 0.0)
                p.songEndSeconds = now;
        } else if (p.ordersInPlayOrder.empty() || p.ordersInPlayOrder.back() != order) {
            p.ordersInPlayOrder.push_back(order);
            p.visitStartSeconds.push_back(now);
        }
        // Four rows a beat: a row lasts speed * 2.5 / tempo seconds.
        const double bpm = 6.0 * currentTempo(module) / module.get_current_speed();
        p.slowestBpm = std::min(p.slowestBpm, bpm);
        p.fastestBpm = std::max(p.fastestBpm, bpm);
        p.samples.insert(p.samples.end(), block.begin(), block.begin() + 2 * got);
        frames += got;
    }
    return p;
}

// Every order once, in order from 0, and then the end: no jump, no loop, no
// skipped entry; no pattern holds a jump or break that could make one.
void expectPlayedStraightThrough(const std::vector<std::uint8_t>& bytes, const Playback& p)
{
    const openmpt::module module(bytes);
    std::string played, expected;
    for (int order : p.ordersInPlayOrder)
        played += std::to_string(order) + " ";
    for (int order = 0; order < module.get_num_orders(); ++order)
        expected += std::to_string(order) + " ";
    EXPECT_EQ(played, expected);
    EXPECT_GT(p.songEndSeconds, 0.0);
    EXPECT_LT(p.seconds() - p.songEndSeconds, 0.25) << "sound after the last row";
    for (int pattern = 0; pattern < module.get_num_patterns(); ++pattern)
        for (int row = 0; row < module.get_pattern_num_rows(pattern); ++row)
            for (int ch = 0; ch < module.get_num_channels(); ++ch) {
                const std::string effect =
                    module.format_pattern_row_channel_command(pattern, row, ch, openmpt::module::command_effect);
                EXPECT_TRUE(effect != "B" && effect != "C") << "pattern " << pattern << " row " << row;
            }
}

class AssetFullModule : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        bytes = new std::vector<std::uint8_t>(itw::write(assets::composeModule(assets::ModuleKind::full)));
        playback = new Playback(play(*bytes));
    }
    static void TearDownTestSuite()
    {
        delete playback;
        delete bytes;
    }
    static std::vector<std::uint8_t>* bytes;
    static Playback* playback;
};
std::vector<std::uint8_t>* AssetFullModule::bytes = nullptr;
Playback* AssetFullModule::playback = nullptr;

TEST_F(AssetFullModule, HasTheOrderLayoutTheShowFollows)
{
    const openmpt::module module(*bytes);
    const int orders = module.get_num_orders();
    ASSERT_GE(orders, 34) << "the credits start at order 33";
    for (int o = 0; o < orders; ++o)
        EXPECT_LT(module.get_order_pattern(o), module.get_num_patterns()) << "order " << o << " is no pattern";
    EXPECT_EQ(module.get_pattern_num_rows(module.get_order_pattern(32)), 64) << "the breakdown";
    EXPECT_GE(module.get_pattern_num_rows(module.get_order_pattern(0)), 32);
    EXPECT_GE(module.get_pattern_num_rows(module.get_order_pattern(33)), 16);
    expectPlayedStraightThrough(*bytes, *playback);
}

TEST_F(AssetFullModule, LastsThreeToFiveMinutesAndPlaysOnce)
{
    EXPECT_GE(playback->reportedSeconds, 180.0);
    EXPECT_LE(playback->reportedSeconds, 300.0);
    // A loop would play on past the reported length.
    EXPECT_NEAR(playback->seconds(), playback->reportedSeconds, 0.5);
}

TEST_F(AssetFullModule, IntroCoversTheOpeningScene)
{
    const double introSeconds = playback->startOf(1);
    EXPECT_GE(introSeconds, 8.0);
    EXPECT_LE(introSeconds, 16.0);
}

TEST_F(AssetFullModule, OutroOutlastsTheCredits)
{
    const double creditsStart = playback->startOf(33);
    // The credit pictures take 34 seconds; the music must still be playing then.
    EXPECT_GE(playback->seconds() - creditsStart, 36.0);
    EXPECT_LE(creditsStart, 270.0);
}

TEST_F(AssetFullModule, MainSectionIsVariedAndTheTempoSteady)
{
    const openmpt::module module(*bytes);
    std::set<std::string> contents;
    for (int o = 14; o <= 31; ++o) {
        const int pattern = module.get_order_pattern(o);
        std::string text;
        for (int row = 0; row < module.get_pattern_num_rows(pattern); ++row)
            for (int ch = 0; ch < module.get_num_channels(); ++ch)
                text += module.format_pattern_row_channel(pattern, row, ch);
        contents.insert(text);
    }
    EXPECT_GE(contents.size(), 8u);
    EXPECT_GE(playback->slowestBpm, 120.0);
    EXPECT_LE(playback->fastestBpm, 140.0);
    EXPECT_DOUBLE_EQ(playback->slowestBpm, playback->fastestBpm);
}

TEST_F(AssetFullModule, NeverClipsAndItsLevelsFollowTheSections)
{
    const Playback& p = *playback;
    const auto [peak, rms] = p.levels(0.0, p.seconds());
    EXPECT_LE(peak, -1.0) << "the loudest sample, dBFS";
    EXPECT_GT(rms, -30.0);

    const auto intro = p.levels(0.0, p.startOf(1)).second;
    const auto first = p.levels(p.startOf(1), p.startOf(8)).second;
    const auto main = p.levels(p.startOf(14), p.startOf(32)).second;
    const auto outro = p.levels(p.startOf(33), p.seconds()).second;
    EXPECT_GE(main, -20.0);
    EXPECT_LE(main, -12.0);
    for (double quieter : {intro, first, outro}) {
        EXPECT_LT(quieter, main - 1.0);
        EXPECT_GT(quieter, -40.0) << "near silent";
    }
    EXPECT_LT(intro, first);
}

TEST_F(AssetFullModule, FadesToSilenceAtTheEnd)
{
    const Playback& p = *playback;
    const auto [peak, rms] = p.levels(p.seconds() - 0.5, p.seconds());
    EXPECT_LT(peak, -30.0);
    EXPECT_LT(rms, -45.0);
    EXPECT_GT(p.levels(p.seconds() - 20.0, p.seconds() - 15.0).second, rms + 15.0) << "a fade, not a cut";
}

TEST_F(AssetFullModule, StaysInAMinor)
{
    // A natural minor, with the G sharp of the E major chord that leads home.
    const std::set<std::string> inKey = {"C-", "D-", "E-", "F-", "G-", "G#", "A-", "B-"};
    const openmpt::module module(*bytes);
    int notes = 0;
    for (int pattern = 0; pattern < module.get_num_patterns(); ++pattern)
        for (int row = 0; row < module.get_pattern_num_rows(pattern); ++row)
            for (int ch = 0; ch < module.get_num_channels(); ++ch) {
                const std::string note =
                    module.format_pattern_row_channel_command(pattern, row, ch, openmpt::module::command_note);
                if (note.size() != 3 || note == "..." || note == "^^^" || note == "===")
                    continue;
                ++notes;
                EXPECT_TRUE(inKey.count(note.substr(0, 2))) << note << " in pattern " << pattern << " row " << row;
            }
    EXPECT_GT(notes, 1000);
}

TEST(AssetShortModule, KeepsTheLayoutWithinFifteenSeconds)
{
    const std::vector<std::uint8_t> bytes = itw::write(assets::composeModule(assets::ModuleKind::brief));
    const openmpt::module module(bytes);
    const int orders = module.get_num_orders();
    ASSERT_GE(orders, 34);
    EXPECT_GE(module.get_pattern_num_rows(module.get_order_pattern(32)), 41) << "the ending starts at row 40";

    const Playback p = play(bytes);
    expectPlayedStraightThrough(bytes, p);
    EXPECT_LE(p.seconds(), 15.0);
    EXPECT_GT(p.seconds() - p.startOf(33), 0.2);
    EXPECT_LE(p.levels(0.0, p.seconds()).first, -1.0);
}

struct Decoded {
    bool ok = false;
    std::string error;
    int width = 0, height = 0, components = 0;
    bool baseline = false;
    std::vector<std::uint8_t> rgb;

    int at(int x, int y, int c) const { return rgb[(static_cast<std::size_t>(y) * width + x) * components + c]; }
    int brightest(int x, int y) const { return std::max({at(x, y, 0), at(x, y, 1), at(x, y, 2)}); }
};

struct DecodeErrors {
    jpeg_error_mgr base;
    std::jmp_buf escape;
};

Decoded decodeJpeg(const std::vector<std::uint8_t>& bytes)
{
    Decoded d;
    jpeg_decompress_struct info{};
    DecodeErrors errors{};
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = [](j_common_ptr i) { std::longjmp(reinterpret_cast<DecodeErrors*>(i->err)->escape, 1); };
    if (setjmp(errors.escape)) {
        jpeg_destroy_decompress(&info);
        d.ok = false;
        d.error = "libjpeg refused the file";
        return d;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&info, TRUE);
    d.baseline = !info.progressive_mode && !info.arith_code && info.data_precision == 8;
    jpeg_start_decompress(&info);
    d.width = static_cast<int>(info.output_width);
    d.height = static_cast<int>(info.output_height);
    d.components = info.output_components;
    d.rgb.resize(static_cast<std::size_t>(d.width) * d.height * d.components);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = d.rgb.data() + static_cast<std::size_t>(info.output_scanline) * d.width * d.components;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    d.ok = errors.base.num_warnings == 0;
    jpeg_destroy_decompress(&info);
    return d;
}

// The brightest value within `margin` pixels of the picture's border.
int brightestNearEdge(const Decoded& d, int margin)
{
    int most = 0;
    for (int y = 0; y < d.height; ++y)
        for (int x = 0; x < d.width; ++x)
            if (x < margin || y < margin || x >= d.width - margin || y >= d.height - margin)
                most = std::max(most, d.brightest(x, y));
    return most;
}

class AssetPictures : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        pictures = new std::vector<Decoded>;
        for (const assets::AssetFile& file : assets::makeAssets(assets::ModuleKind::brief))
            if (file.name != moduleFileName)
                pictures->push_back(decodeJpeg(file.bytes));
    }
    static void TearDownTestSuite() { delete pictures; }
    static std::vector<Decoded>* pictures;  // 0, 1, 2, c, k
};
std::vector<Decoded>* AssetPictures::pictures = nullptr;

TEST_F(AssetPictures, AreBaselineRgbJpegsOf256Square)
{
    ASSERT_EQ(pictures->size(), 5u);
    for (const Decoded& d : *pictures) {
        ASSERT_TRUE(d.ok) << d.error;
        EXPECT_EQ(d.width, 256);
        EXPECT_EQ(d.height, 256);
        EXPECT_EQ(d.components, 3);
        EXPECT_TRUE(d.baseline);
    }
}

TEST_F(AssetPictures, AbstractOnesAreBrightShapesFadingToBlackAtTheEdges)
{
    ASSERT_EQ(pictures->size(), 5u);
    for (int i = 0; i < 3; ++i) {
        const Decoded& d = (*pictures)[static_cast<std::size_t>(i)];
        ASSERT_TRUE(d.ok);
        EXPECT_LE(brightestNearEdge(d, 4), 10) << "picture " << i << ": the square's outline would show";
        double sum = 0.0;
        int brightest = 0;
        for (int y = 0; y < d.height; ++y)
            for (int x = 0; x < d.width; ++x) {
                sum += d.brightest(x, y);
                brightest = std::max(brightest, d.brightest(x, y));
            }
        EXPECT_GE(brightest, 200) << "picture " << i;
        EXPECT_GT(sum / (d.width * d.height), 10.0) << "picture " << i << " is nearly black";
        EXPECT_LT(sum / (d.width * d.height), 110.0) << "picture " << i << " is no shape on black";
    }
    // Each differs clearly from the others.
    for (int a = 0; a < 3; ++a)
        for (int b = a + 1; b < 3; ++b) {
            const Decoded& p = (*pictures)[static_cast<std::size_t>(a)];
            const Decoded& q = (*pictures)[static_cast<std::size_t>(b)];
            double difference = 0.0;
            for (std::size_t k = 0; k < p.rgb.size(); ++k)
                difference += std::abs(p.rgb[k] - q.rgb[k]);
            EXPECT_GT(difference / static_cast<double>(p.rgb.size()), 8.0) << "pictures " << a << " and " << b;
        }
}

TEST_F(AssetPictures, CreditCardsCarryLightTextClearOfTheEdges)
{
    ASSERT_EQ(pictures->size(), 5u);
    for (int i = 3; i < 5; ++i) {
        const Decoded& d = (*pictures)[static_cast<std::size_t>(i)];
        ASSERT_TRUE(d.ok);
        EXPECT_LE(brightestNearEdge(d, 16), 12) << "card " << i;
        int light = 0, lit = 0;
        for (int y = 0; y < d.height; ++y)
            for (int x = 0; x < d.width; ++x) {
                light += d.at(x, y, 0) > 200 && d.at(x, y, 1) > 200 && d.at(x, y, 2) > 200;
                lit += d.brightest(x, y) > 24;
            }
        EXPECT_GT(light, 800) << "card " << i << ": no light text";
        EXPECT_LT(lit, d.width * d.height / 3) << "card " << i << ": text on black";
    }
}

TEST(AssetScore, ReadsPitchesMelodiesAndTheScale)
{
    using assets::pitch;
    EXPECT_EQ(pitch("C4"), itw::noteC5) << "middle C is the tracker's C-5";
    EXPECT_EQ(pitch("A4"), 69);
    EXPECT_EQ(pitch("G#3"), 56);
    EXPECT_EQ(assets::shiftInScale(pitch("E5"), 2), pitch("G5"));
    EXPECT_EQ(assets::shiftInScale(pitch("A4"), -2), pitch("F4"));
    EXPECT_EQ(assets::shiftInScale(pitch("B4"), 1), pitch("C5")) << "across the octave";
    EXPECT_EQ(assets::shiftInScale(pitch("C5"), -1), pitch("B4"));
    EXPECT_EQ(assets::shiftInScale(pitch("F5"), -2), pitch("D5"));

    const std::vector<assets::Note> line = assets::melody("E5:4 r:2 | A4:2", 2);
    ASSERT_EQ(line.size(), 2u);
    EXPECT_EQ(line[0].row, 0);
    EXPECT_EQ(line[0].length, 8);
    EXPECT_EQ(line[1].row, 12) << "rests take their rows";
    EXPECT_EQ(line[1].pitch, pitch("A4"));
    EXPECT_THROW(assets::melody("H4:2"), std::invalid_argument);
}

TEST(AssetScore, StopsSustainedNotesThatNothingReplaces)
{
    const assets::Section padsOnly{.rows = 16, .chords = assets::progression("Am"), .pads = assets::Pads::sustained};
    const assets::Section beatOnly{.rows = 16, .chords = assets::progression("F"), .drums = assets::Drums::pulse};

    assets::Score handedToTheBeat(32);
    assets::writeSection(handedToTheBeat, 0, padsOnly);
    assets::writeSection(handedToTheBeat, 16, beatOnly);
    EXPECT_TRUE(handedToTheBeat.heldInto(20, assets::Channel::pad1)) << "nothing stops the pad yet";
    assets::closeSustains(handedToTheBeat, 16);
    EXPECT_FALSE(handedToTheBeat.heldInto(20, assets::Channel::pad1));
    EXPECT_TRUE(handedToTheBeat.heldInto(15, assets::Channel::pad1)) << "the pad sounds to its section's end";

    assets::Score handedToPads(32);
    assets::writeSection(handedToPads, 0, padsOnly);
    assets::writeSection(handedToPads, 16, {.rows = 16, .chords = assets::progression("F"),
                                            .pads = assets::Pads::sustained});
    assets::closeSustains(handedToPads, 16);
    EXPECT_TRUE(handedToPads.heldInto(20, assets::Channel::pad1));
    EXPECT_TRUE(handedToPads.heldInto(16, assets::Channel::pad1)) << "no gap before the next chord";
}

// Plays one note of a voice alone and returns the pitch heard, by autocorrelation.
double heardFrequency(const std::vector<itw::Sample>& voices, assets::Voice voice, int note)
{
    itw::Module m;
    m.samples = voices;
    itw::Pattern p(32, 1);
    p.at(0, 0) = itw::Cell{note, static_cast<int>(voice), 64};
    m.patterns.push_back(p);
    m.orders = {0};
    openmpt::module module(itw::write(m));
    std::vector<float> left(rate / 2), right(rate / 2);
    module.read(rate, left.size(), left.data(), right.data());

    const std::size_t start = rate / 10, window = 4096;
    auto correlation = [&](std::size_t lag) {
        double xy = 0.0, xx = 0.0, yy = 0.0;
        for (std::size_t i = start; i < start + window; ++i) {
            xy += left[i] * left[i + lag];
            xx += left[i] * left[i];
            yy += left[i + lag] * left[i + lag];
        }
        return xy / std::sqrt(xx * yy + 1e-20);
    };
    // The first strong peak is one period (a later one would be an octave off).
    for (std::size_t lag = 20; lag < 2000; ++lag) {
        const double here = correlation(lag);
        if (here > 0.8 && here >= correlation(lag - 1) && here >= correlation(lag + 1)) {
            const double before = correlation(lag - 1), after = correlation(lag + 1);
            const double offset = 0.5 * (before - after) / (before - 2.0 * here + after);
            return rate / (static_cast<double>(lag) + offset);
        }
    }
    return 0.0;
}

TEST(AssetVoices, PitchedVoicesPlayInTune)
{
    const std::vector<itw::Sample> voices = assets::synthesiseVoices(1.0, 1.0);
    struct Case {
        assets::Voice voice;
        const char* name;
        double hz;
    };
    const Case cases[] = {{assets::Voice::pad, "A4", 440.0},      {assets::Voice::lead, "E5", 659.26},
                          {assets::Voice::pluck, "C5", 523.25},   {assets::Voice::bass, "A2", 110.0},
                          {assets::Voice::subBass, "A1", 55.0}};
    for (const Case& c : cases)
        EXPECT_NEAR(heardFrequency(voices, c.voice, assets::pitch(c.name)) / c.hz, 1.0, 0.01)
            << c.name << " on voice " << static_cast<int>(c.voice);
}

TEST(AssetVoices, LoopsAreSeamlessAndNothingCarriesAnOffset)
{
    const std::vector<itw::Sample> voices = assets::synthesiseVoices(1.0, 1.0);
    ASSERT_EQ(voices.size(), static_cast<std::size_t>(assets::voiceCount));
    int loops = 0;
    for (const itw::Sample& s : voices) {
        double sum = 0.0;
        int peak = 0;
        for (std::int16_t v : s.pcm) {
            sum += v;
            peak = std::max(peak, std::abs(static_cast<int>(v)));
        }
        EXPECT_LT(std::fabs(sum / static_cast<double>(s.pcm.size())), 0.01 * peak) << s.name << " has an offset";
        EXPECT_LT(peak, 32767) << s.name;
        if (!s.loop)
            continue;
        ++loops;
        // Played past its end the loop continues the wave as if it had never jumped.
        const std::uint32_t length = s.loopEnd - s.loopBegin;
        int largestJump = 0;
        for (std::uint32_t k = 1; k <= 64; ++k)
            largestJump = std::max(largestJump, std::abs(s.pcm[s.loopEnd - k] - s.pcm[s.loopEnd - k - length]));
        EXPECT_LE(largestJump, 2) << s.name;
    }
    EXPECT_GE(loops, 3) << "pad, lead and sub bass hold their notes";
}

std::filesystem::path freshFolder(const std::string& name)
{
    const std::filesystem::path dir =
        std::filesystem::path(testing::TempDir()) / ("assets_test_" + name + "_" + std::to_string(getpid()));
    std::filesystem::remove_all(dir);
    return dir;
}

std::vector<std::uint8_t> fileBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(AssetGenerator, MakesTheSameBytesOnEveryRun)
{
    const std::vector<assets::AssetFile> first = assets::makeAssets(assets::ModuleKind::full);
    const std::vector<assets::AssetFile> second = assets::makeAssets(assets::ModuleKind::full);
    const std::vector<assets::AssetFile> brief = assets::makeAssets(assets::ModuleKind::brief);
    ASSERT_EQ(first.size(), 6u);
    ASSERT_EQ(second.size(), 6u);
    ASSERT_EQ(brief.size(), 6u);
    for (std::size_t i = 0; i < first.size(); ++i) {
        EXPECT_EQ(first[i].name, second[i].name);
        EXPECT_TRUE(first[i].bytes == second[i].bytes) << first[i].name << " differs between runs";
        // The short module changes the music only.
        EXPECT_EQ(first[i].bytes == brief[i].bytes, first[i].name != moduleFileName) << first[i].name;
    }
}

TEST(AssetGenerator, RegeneratesOnlyAStaleFolder)
{
    const auto dir = freshFolder("stale");
    const assets::GenerateOptions ifStale{assets::ModuleKind::brief, false, true};
    std::string error;
    ASSERT_EQ(assets::generateAssets(dir.string(), ifStale, &error), assets::GenerateResult::written) << error;
    EXPECT_TRUE(assets::assetsAreCurrent(dir.string(), assets::ModuleKind::brief));
    EXPECT_FALSE(assets::assetsAreCurrent(dir.string(), assets::ModuleKind::full));
    for (const assets::AssetFile& file : assets::makeAssets(assets::ModuleKind::brief))
        EXPECT_TRUE(fileBytes(dir / file.name) == file.bytes) << file.name;

    EXPECT_EQ(assets::generateAssets(dir.string(), ifStale, &error), assets::GenerateResult::alreadyCurrent);

    std::filesystem::remove(dir / "2.jpg");
    EXPECT_FALSE(assets::assetsAreCurrent(dir.string(), assets::ModuleKind::brief));
    EXPECT_EQ(assets::generateAssets(dir.string(), ifStale, &error), assets::GenerateResult::written) << error;
    EXPECT_TRUE(std::filesystem::exists(dir / "2.jpg"));

    // A stamp from another version of the generator makes the folder stale too.
    std::ofstream(dir / assets::stampFileName) << "mardunqist-assets 0 short\n";
    EXPECT_FALSE(assets::assetsAreCurrent(dir.string(), assets::ModuleKind::brief));
    EXPECT_EQ(assets::generateAssets(dir.string(), ifStale, &error), assets::GenerateResult::written) << error;
    std::filesystem::remove_all(dir);
}

// Every file in a folder, by name (links as links), to tell whether a run
// changed anything at all.
std::map<std::string, std::string> folderContents(const std::filesystem::path& dir)
{
    std::map<std::string, std::string> contents;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        if (entry.is_symlink())
            contents[name] = "-> " + std::filesystem::read_symlink(entry.path()).string();
        else if (entry.is_regular_file()) {
            const std::vector<std::uint8_t> bytes = fileBytes(entry.path());
            contents[name] = std::string(bytes.begin(), bytes.end());
        }
        else {
            contents[name] = "(special)";
        }
    }
    return contents;
}

TEST(AssetGenerator, NeverReplacesWhatItDidNotWriteUnlessForced)
{
    const auto dir = freshFolder("foreign");
    const auto song = dir / moduleFileName;
    const assets::GenerateOptions plain{assets::ModuleKind::brief, false, false};
    const assets::GenerateOptions forced{assets::ModuleKind::brief, true, false};
    std::string error;

    // Someone's own files and no stamp.
    std::filesystem::create_directories(dir);
    std::ofstream(song) << "my own song";
    EXPECT_EQ(assets::generateAssets(dir.string(), {assets::ModuleKind::brief, false, true}, &error),
              assets::GenerateResult::failed);
    EXPECT_NE(error.find(song.string() + ": was not made by mardunqist-assets"), std::string::npos) << error;
    EXPECT_EQ(folderContents(dir).size(), 1u) << "nothing else written";

    // The generator's own folder with the user's song put in it: the stamp
    // does not make the song the generator's.
    ASSERT_EQ(assets::generateAssets(dir.string(), forced, &error), assets::GenerateResult::written) << error;
    std::ofstream(song) << "MINE";
    EXPECT_FALSE(assets::assetsAreCurrent(dir.string(), assets::ModuleKind::brief));
    auto before = folderContents(dir);
    EXPECT_EQ(assets::generateAssets(dir.string(), plain, &error), assets::GenerateResult::failed);
    EXPECT_NE(error.find(song.string() + ": changed since mardunqist-assets wrote it"), std::string::npos) << error;
    EXPECT_TRUE(folderContents(dir) == before) << "the folder is left as it was";

    // A link out of the folder is not the generator's either, and --force
    // replaces the link, never what it points to.
    const auto outside = dir.parent_path() / (dir.filename().string() + "-outside.jpg");
    std::ofstream(outside) << "OUTSIDE";
    std::filesystem::remove(dir / "0.jpg");
    std::filesystem::create_symlink(outside, dir / "0.jpg");
    before = folderContents(dir);
    EXPECT_EQ(assets::generateAssets(dir.string(), plain, &error), assets::GenerateResult::failed);
    EXPECT_TRUE(folderContents(dir) == before);
    EXPECT_EQ(assets::generateAssets(dir.string(), forced, &error), assets::GenerateResult::written) << error;
    EXPECT_TRUE(assets::assetsAreCurrent(dir.string(), assets::ModuleKind::brief));
    EXPECT_FALSE(std::filesystem::is_symlink(dir / "0.jpg"));
    EXPECT_EQ(fileBytes(outside).size(), std::string("OUTSIDE").size());

    // Its own files from an earlier run (or a stamp without hashes) it knows
    // by their bytes, and replaces without asking.
    std::ofstream(dir / assets::stampFileName) << "mardunqist-assets 0 short\n";
    EXPECT_EQ(assets::generateAssets(dir.string(), plain, &error), assets::GenerateResult::written) << error;
    std::filesystem::remove_all(dir);
    std::filesystem::remove(outside);
}

TEST(AssetGenerator, ReadsOnlyRegularFiles)
{
    const auto dir = freshFolder("special");
    std::filesystem::create_directories(dir);
    const Deadline deadline(20);
    // A FIFO as the stamp is refused with one line, not waited on.
    ASSERT_EQ(mkfifo((dir / assets::stampFileName).c_str(), 0644), 0);
    std::string error;
    EXPECT_EQ(assets::generateAssets(dir.string(), {assets::ModuleKind::brief, false, false}, &error),
              assets::GenerateResult::failed);
    EXPECT_NE(error.find(assets::stampFileName + std::string(": is not a regular file (a FIFO)")), std::string::npos)
        << error;
    EXPECT_FALSE(std::filesystem::exists(dir / moduleFileName));
    // Nor does --render-wav or --levels wait on, or read without end, what
    // is not a regular file.
    for (const SpecialFile& special : makeSpecialFiles(dir.string(), "module", ".it")) {
        assets::Rendering rendering;
        EXPECT_FALSE(assets::renderModule((dir / special.name).string(), &rendering, &error)) << special.name;
        EXPECT_NE(error.find(special.name + ": " + special.reason), std::string::npos) << error;
    }
    std::filesystem::remove_all(dir);
}

TEST(AssetGenerator, LeavesTheFolderAsItWasWhenASignalComes)
{
    const auto dir = freshFolder("signal");
    std::string error;
    ASSERT_EQ(assets::generateAssets(dir.string(), {assets::ModuleKind::brief, false, false}, &error),
              assets::GenerateResult::written) << error;
    const auto before = folderContents(dir);
    catchEndSignals();
    std::raise(SIGTERM);
    EXPECT_EQ(assets::generateAssets(dir.string(), {assets::ModuleKind::full, false, false}, &error),
              assets::GenerateResult::interrupted);
    takeEndSignal();
    EXPECT_NE(error.find("interrupted (SIGTERM); nothing written in " + dir.string()), std::string::npos) << error;
    EXPECT_TRUE(folderContents(dir) == before) << "no temporary left, nothing replaced";
    std::filesystem::remove_all(dir);
}

TEST(AssetGenerator, NamesTheFileAndTheReasonWhenWritingFails)
{
    const auto dir = freshFolder("blocked");
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "plain-file") << "x";
    const std::string target = (dir / "plain-file" / "assets").string();
    std::string error;
    EXPECT_EQ(assets::generateAssets(target, {}, &error), assets::GenerateResult::failed);
    EXPECT_NE(error.find(target), std::string::npos) << error;
    EXPECT_NE(error.find(std::strerror(ENOTDIR)), std::string::npos) << error;
    std::filesystem::remove_all(dir);
}

} // namespace
