// The built-in coil model of the opening scene: 16 tube lines of 32 stations.
#ifndef MARDUNQIST_TIMELINE_COIL_MODEL_H
#define MARDUNQIST_TIMELINE_COIL_MODEL_H

constexpr int coilTubeLines = 16;
constexpr int coilStations = 32;
constexpr int coilPointCount = coilTubeLines * coilStations;

extern const float coilModel[coilPointCount][3];

#endif
