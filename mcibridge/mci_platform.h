// The platform calls tunegate makes: the Windows multimedia library and the
// short-path call of the Windows kernel, or the silent MCI of POSIX systems.
#ifndef VANDREL_MCIBRIDGE_MCI_PLATFORM_H
#define VANDREL_MCIBRIDGE_MCI_PLATFORM_H

#ifdef _WIN32
#include <windows.h>
#include <mmsystem.h>
#else
#include "silent_mci.h"
#endif

#endif
