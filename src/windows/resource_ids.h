// The resources both Windows programs carry (packaging/windows/program.rc.in
// puts them in), by the numbers the code loads them with.
#ifndef MARDUNQIST_WINDOWS_RESOURCE_IDS_H
#define MARDUNQIST_WINDOWS_RESOURCE_IDS_H

// The show's icon: Explorer shows the first one a program holds.
#define MARDUNQIST_ICON 1

#endif
