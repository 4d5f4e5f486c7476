// The commands of scour. Each takes the arguments after its name, prints its own
// output and usage errors, and returns the process exit code (0 success, 1 a file
// could not be read, cleaned or written, 2 usage error, 130 asked to end).
#pragma once

// The whole command line after the program's name: a command and its arguments,
// or the default command's.
int runScour(int argc, char** argv);

int runInfo(int argc, char** argv);
int runRewrite(int argc, char** argv);
int runClean(int argc, char** argv);
int runLint(int argc, char** argv);
int runRender(int argc, char** argv);
