// What the flash check found, in words and as CSV: the same for the capture
// tool's report and the flash checker's.
#ifndef MARDUNQIST_GENTLE_FLASH_REPORT_H
#define MARDUNQIST_GENTLE_FLASH_REPORT_H

#include "gentle/flash_check.h"

#include <string>

// A row a second: "second,verdict,luminance_transitions,red_transitions,
// most_luminance,most_red,flash_fail_frames,extended_fail_frames,
// warning_frames" (transitions new in the second, the most in a window
// ending in it, and its frames by verdict).
std::string flashReportCsv(const FlashCheck& check);

// One second that fails or warns, in words: "2:38 flash-fail: 7 luminance
// transitions in a second; 12 frames fail, 48 warn".
std::string flashSecondLine(const FlashSecond& second);

// The whole in words: "fail: 45 of 16242 frames fail (45 flash, 0 extended;
// 0 by red), 3535 warn; 3 of 271 seconds fail, 120 warn", or "pass", or
// "pass with warnings: ...".
std::string flashSummary(const FlashCheck& check);

#endif
