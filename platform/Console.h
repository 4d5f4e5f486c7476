// What the command line needs to know about its console.
#pragma once

// True when standard error goes to a terminal, where a progress line that
// rewrites itself makes sense.
bool standardErrorIsTerminal();
