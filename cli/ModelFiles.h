// The model files that the paths on a command line name: files as given, and
// the *.3do files of folders (any letter case), sorted, with their subfolders'
// when recursive.
#pragma once

#include <string>
#include <vector>

// Appends the full path of each model file to files. A folder that cannot be
// searched whole, or yields no model, is told on standard error and sets
// exitCode to 1. False (a usage error) for a name the file system library cannot
// convert, which only Windows can meet.
bool collectModelFiles(const std::vector<std::string>& paths, bool recursive, std::vector<std::string>& files,
                       int& exitCode);
