// The capture's command-line rules for the web capture, which runs on
// Node.js: the parser of capture_options.cpp compiled to WebAssembly, its
// result handed over as JSON. One thread, Node's.
#include "capture_options.h"

#include <emscripten/emscripten.h>

#include <cstdio>
#include <string>

namespace {

// What the last call returned; valid until the next.
std::string answer;

std::string quoted(const std::string& text)
{
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + '"';
}

std::string optionsJson(const CaptureOptions& o)
{
    char numbers[256];
    std::snprintf(numbers, sizeof numbers,
                  "\"fps\":\"%llu/%llu\",\"width\":%d,\"height\":%d,\"seedTick\":%u,",
                  static_cast<unsigned long long>(o.fps.numerator), static_cast<unsigned long long>(o.fps.denominator),
                  o.width, o.height, o.seedTick);
    std::string json = "{\"output\":" + quoted(o.output) + "," + numbers;
    json += "\"frames\":" + (o.frames ? std::to_string(*o.frames) : "null") + ",";
    char seconds[32] = "null";
    if (o.seconds)
        std::snprintf(seconds, sizeof seconds, "%.17g", *o.seconds);
    json += std::string("\"seconds\":") + seconds + ",";
    json += "\"dataDir\":" + quoted(o.dataDir) + ",\"timeline\":" + quoted(o.timelineCsv) + ",";
    json += std::string("\"gentle\":") + (o.gentle ? "true" : "false") + ",\"browser\":" + quoted(o.browser) + ",";
    json += std::string("\"force\":") + (o.force ? "true" : "false") + ",\"quiet\":" + (o.quiet ? "true" : "false") +
            ",\"help\":" + (o.help ? "true" : "false") + "}";
    return json;
}

} // namespace

extern "C" {

// {"ok":true,"options":{...}} or {"ok":false,"error":"..."} for the web
// capture's argv (argv[0] its name).
EMSCRIPTEN_KEEPALIVE const char* webCaptureOptions(int argc, char** argv)
{
    CaptureOptions options;
    std::string error;
    if (parseCaptureOptions(CaptureTool::web, argc, argv, &options, &error))
        answer = "{\"ok\":true,\"options\":" + optionsJson(options) + "}";
    else
        answer = "{\"ok\":false,\"error\":" + quoted(error) + "}";
    return answer.c_str();
}

// The "options:" block of the web capture's --help.
EMSCRIPTEN_KEEPALIVE const char* webCaptureOptionsHelp()
{
    answer = captureOptionsHelp(CaptureTool::web);
    return answer.c_str();
}

} // extern "C"
