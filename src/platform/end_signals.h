// The signals a user or a session sends to end a program: SIGINT (Ctrl-C),
// SIGTERM (kill), SIGHUP (the terminal went away) and SIGQUIT (Ctrl-\).
// Caught, they only note which one came; the program looks at the note and
// takes its orderly way out (the desktop's display mode given back,
// temporary files removed). Every wait on a child or a pipe wakes when one
// comes, so no wait outlasts a signal.
#ifndef MARDUNQIST_PLATFORM_END_SIGNALS_H
#define MARDUNQIST_PLATFORM_END_SIGNALS_H

// Installs the handlers (once; calling again does nothing).
void catchEndSignals();

// The first of the four caught so far, 0 while none has come.
int endSignal();

// Like endSignal, but forgets it: the next call gives 0 until another comes.
int takeEndSignal();

// The exit status a shell gives a program the signal ended: 128 + signal.
int endSignalStatus(int signal);

// "SIGINT", "SIGTERM", ...
const char* endSignalName(int signal);

#endif
