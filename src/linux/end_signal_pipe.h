// How a wait on Linux wakes for an end signal: it polls this descriptor
// beside what it waits on.
#ifndef MARDUNQIST_LINUX_END_SIGNAL_PIPE_H
#define MARDUNQIST_LINUX_END_SIGNAL_PIPE_H

// Readable from the moment a signal has been caught; -1 before catchEndSignals.
int endSignalFd();

#endif
