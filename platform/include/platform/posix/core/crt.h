// The C runtime's Windows-only string calls.
#pragma once

#include <strings.h>

inline int _stricmp(const char* a, const char* b) { return strcasecmp(a, b); }
inline int _strnicmp(const char* a, const char* b, unsigned long n) { return strncasecmp(a, b, n); }
