// The program's version, the project's, set by the build in one place.
#pragma once

extern const char ScourVersion[];
