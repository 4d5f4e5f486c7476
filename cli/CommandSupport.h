// Small pieces shared by the commands: the reason a model did not load, and
// the arguments of the commands that take only files.
#pragma once

#include <string>

class Model;

// Why model did not load: "object header lies outside the file (at offset 52)".
std::string loadFailureText(const Model& model);
bool isHelpOption(const char* argument);
// For commands that take only files: shows the help when asked (exit 0) and the
// usage when no file or an unknown option is given (exit 2); -1 to go on.
int checkFileArguments(int argc, char** argv, const char* usage, const char* help);
