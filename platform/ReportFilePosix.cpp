#include "platform/ReportFile.h"

#include "platform/SystemFiles.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

ReportFile::~ReportFile() { close(); }

bool ReportFile::create(const char* path, SystemError* error)
{
    close();
    int descriptor = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (descriptor < 0) {
        if (error != nullptr)
            *error = systemLastError();
        return false;
    }
    handle = descriptor;
    return true;
}

bool ReportFile::write(const char* data, uint32_t length)
{
    if (!isOpen())
        return false;
    int descriptor = static_cast<int>(handle);
    while (length > 0) {
        ssize_t written = ::write(descriptor, data, length);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        length -= static_cast<uint32_t>(written);
    }
    return true;
}

bool ReportFile::close()
{
    if (!isOpen())
        return true;
    int descriptor = static_cast<int>(handle);
    handle = ClosedHandle;
    return ::close(descriptor) == 0;
}
