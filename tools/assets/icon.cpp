// The menu icon: the show's look in a rounded square, as SVG so that one file
// serves every size. Rings broken into arcs and a warm glow, like the pictures.
#include "assets.h"

#include "dsp.h"

#include <cmath>
#include <sstream>

namespace assets {
namespace {

constexpr double centre = 64.0;

struct IconRing {
    double radius, width;
    int arcs;  // lit stretches around the ring; 0 for a whole ring
    double phase, opacity;
    const char* colour;
};

constexpr IconRing iconRings[] = {
    {11.0, 2.4, 0, 0.0, 0.95, "#fff2e6"},  {19.0, 1.6, 3, 0.4, 0.85, "#e6f0ff"},
    {27.0, 3.4, 5, 1.3, 0.65, "#ffe0c0"},  {36.0, 1.4, 7, 2.1, 0.9, "#d8e8ff"},
    {44.0, 2.6, 2, 0.7, 0.55, "#fff2e6"},  {51.0, 1.1, 11, 3.0, 0.75, "#e0e6ff"},
};

void point(std::ostringstream& out, double radius, double angle)
{
    out << centre + radius * std::cos(angle) << ' ' << centre + radius * std::sin(angle);
}

// The stretches where sin(arcs * angle + phase) > 0, as SVG arcs.
void ringPath(std::ostringstream& out, const IconRing& ring)
{
    out << "  <path stroke=\"" << ring.colour << "\" stroke-width=\"" << ring.width << "\" opacity=\""
        << ring.opacity << "\" d=\"";
    if (ring.arcs == 0) {
        out << "M ";
        point(out, ring.radius, 0.0);
        out << " A " << ring.radius << ' ' << ring.radius << " 0 1 1 ";
        point(out, ring.radius, dsp::pi);
        out << " A " << ring.radius << ' ' << ring.radius << " 0 1 1 ";
        point(out, ring.radius, 0.0);
    }
    for (int k = 0; k < ring.arcs; ++k) {
        const double from = (2.0 * dsp::pi * k - ring.phase) / ring.arcs;
        const double to = from + dsp::pi / ring.arcs;
        out << (k ? " M " : "M ");
        point(out, ring.radius, from);
        out << " A " << ring.radius << ' ' << ring.radius << " 0 0 1 ";
        point(out, ring.radius, to);
    }
    out << "\"/>\n";
}

} // namespace

std::string iconSvg()
{
    std::ostringstream out;
    out.precision(5);
    out << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"128\" height=\"128\" viewBox=\"0 0 128 128\">\n"
           " <defs>\n"
           "  <linearGradient id=\"back\" x1=\"0\" y1=\"0\" x2=\"0\" y2=\"1\">\n"
           "   <stop offset=\"0\" stop-color=\"#1b2030\"/><stop offset=\"1\" stop-color=\"#040508\"/>\n"
           "  </linearGradient>\n"
           "  <radialGradient id=\"glow\">\n"
           "   <stop offset=\"0\" stop-color=\"#ffffff\"/><stop offset=\"0.35\" stop-color=\"#ffe4bd\" stop-opacity=\"0.7\"/>\n"
           "   <stop offset=\"1\" stop-color=\"#ff9a40\" stop-opacity=\"0\"/>\n"
           "  </radialGradient>\n"
           " </defs>\n"
           " <rect x=\"4\" y=\"4\" width=\"120\" height=\"120\" rx=\"22\" fill=\"url(#back)\"/>\n"
           " <g fill=\"none\" stroke-linecap=\"round\">\n";
    for (const IconRing& ring : iconRings)
        ringPath(out, ring);
    out << " </g>\n"
           " <circle cx=\"64\" cy=\"64\" r=\"26\" fill=\"url(#glow)\"/>\n"
           "</svg>\n";
    return out.str();
}

} // namespace assets
