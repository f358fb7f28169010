#include "gentle/flash_report.h"

#include <cstdio>

namespace {

std::string format(const char* pattern, auto... values)
{
    char text[256];
    std::snprintf(text, sizeof text, pattern, values...);
    return text;
}

// "7 luminance", "7 luminance and 5 red": the measures that warn or fail.
std::string transitionsWording(const FlashSecond& second, int from)
{
    std::string words;
    if (second.mostLuminance >= from || second.mostRed < from)
        words = std::to_string(second.mostLuminance) + " luminance";
    if (second.mostRed >= from)
        words += (words.empty() ? "" : " and ") + std::to_string(second.mostRed) + " red";
    return words;
}

} // namespace

std::string flashReportCsv(const FlashCheck& check)
{
    std::string csv = "second,verdict,luminance_transitions,red_transitions,most_luminance,most_red,flash_fail_frames,"
                      "extended_fail_frames,warning_frames\n";
    for (const FlashSecond& s : check.seconds()) {
        csv += format("%llu,%s,%d,%d,%d,%d,%d,%d,%d\n", static_cast<unsigned long long>(s.second),
                      flashVerdictName(s.verdict), s.luminanceTransitions, s.redTransitions, s.mostLuminance, s.mostRed,
                      s.flashFailFrames, s.extendedFailFrames, s.warningFrames);
    }
    return csv;
}

std::string flashSecondLine(const FlashSecond& second)
{
    const int failing = second.flashFailFrames + second.extendedFailFrames;
    std::string line = format("%llu:%02llu %s: %s transitions in a second", static_cast<unsigned long long>(second.second / 60),
                              static_cast<unsigned long long>(second.second % 60), flashVerdictName(second.verdict),
                              transitionsWording(second, 4).c_str());
    if (second.verdict == FlashVerdict::extendedFail)
        line += ", after four seconds of four or more";
    if (failing > 0)
        line += format("; %d frame%s fail", failing, failing == 1 ? "" : "s");
    if (second.warningFrames > 0)
        line += format("%s %d warn", failing > 0 ? "," : ";", second.warningFrames);
    return line;
}

std::string flashSummary(const FlashCheck& check)
{
    int failingSeconds = 0, warningSeconds = 0;
    for (const FlashSecond& s : check.seconds()) {
        failingSeconds += s.verdict >= FlashVerdict::extendedFail;
        warningSeconds += s.verdict == FlashVerdict::warning;
    }
    const auto frames = [&](FlashVerdict v) { return static_cast<unsigned long long>(check.framesJudged(v)); };
    const unsigned long long warnings = frames(FlashVerdict::warning);
    const std::size_t seconds = check.seconds().size();
    if (check.failed()) {
        const unsigned long long byRed = check.redFrames(FlashVerdict::flashFail) + check.redFrames(FlashVerdict::extendedFail);
        return format("fail: %llu of %llu frames fail (%llu flash, %llu extended; %llu by red), %llu warn; "
                      "%d of %zu seconds fail, %d warn",
                      frames(FlashVerdict::flashFail) + frames(FlashVerdict::extendedFail),
                      static_cast<unsigned long long>(check.frames()), frames(FlashVerdict::flashFail),
                      frames(FlashVerdict::extendedFail), byRed, warnings, failingSeconds, seconds, warningSeconds);
    }
    if (warnings > 0)
        return format("pass with warnings: %llu of %llu frames warn, in %d of %zu seconds", warnings,
                      static_cast<unsigned long long>(check.frames()), warningSeconds, seconds);
    return format("pass: %llu frames, %zu second%s", static_cast<unsigned long long>(check.frames()), seconds,
                  seconds == 1 ? "" : "s");
}
