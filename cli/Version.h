// The program's version: the project's, which the build passes in.
#pragma once

extern const char ScourVersion[];
