// The platform calls tunegate makes: the Windows multimedia library and the
// short-path call of the Windows kernel, or their POSIX stand-ins.
#ifndef TUNEGATE_MCI_PLATFORM_H
#define TUNEGATE_MCI_PLATFORM_H

#ifdef _WIN32
#include <windows.h>
#include <mmsystem.h>
#else
#include "posix_mci.h"
#endif

#endif
