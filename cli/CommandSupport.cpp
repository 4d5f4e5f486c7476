#include "cli/CommandSupport.h"

#include <cstdio>
#include <cstring>

#include "clean/OutcomeText.h"
#include "model/Model.h"

std::string loadFailureText(const Model& model)
{
    return loadFailureText(model.failure, model.failureOffset, model.failureValue, model.systemError);
}

bool isHelpOption(const char* argument)
{
    return std::strcmp(argument, "--help") == 0 || std::strcmp(argument, "-h") == 0;
}

int checkFileArguments(int argc, char** argv, const char* usage, const char* help)
{
    for (int i = 0; i < argc; ++i) {
        if (isHelpOption(argv[i])) {
            std::fputs(usage, stdout);
            std::fputs(help, stdout);
            return 0;
        }
    }
    for (int i = 0; i < argc; ++i) {
        if (argv[i][0] == '-' && argv[i][1] != '\0') {
            std::fprintf(stderr, "scour: unknown option %s\n%s", argv[i], usage);
            return 2;
        }
    }
    if (argc < 1) {
        std::fputs(usage, stderr);
        return 2;
    }
    return -1;
}
