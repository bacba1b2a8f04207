// The program's version, the one place it is written; the resource script
// and the about box read it from here.
#pragma once

#define TELM_VERSION_MAJOR 1
#define TELM_VERSION_MINOR 0
#define TELM_VERSION_PATCH 0
#define TELM_VERSION_BUILD 0
#define TELM_VERSION_TEXT "1.0.0.0"
