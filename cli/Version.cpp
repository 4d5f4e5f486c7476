#include "cli/Version.h"

const char ScourVersion[] = SCOUR_VERSION;
