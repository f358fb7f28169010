// A hook called after every drawing step of a frame (the opening scene, each
// fragment, each overlay). The show leaves it empty; test builds install a
// check that the step left the GL state as every drawer must leave it.
#ifndef MARDUNQIST_TIMELINE_STEP_CHECK_H
#define MARDUNQIST_TIMELINE_STEP_CHECK_H

namespace timeline {

using StepCheck = void (*)(const char* step);

void setStepCheck(StepCheck check);

// Called by the drawing code after a step.
void stepDone(const char* step);

} // namespace timeline

#endif
