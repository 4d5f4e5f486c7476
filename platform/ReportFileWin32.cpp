#include "platform/ReportFile.h"

#include "platform/SystemFiles.h"

#include <windows.h>

static HANDLE toHandle(intptr_t value) { return reinterpret_cast<HANDLE>(value); }

ReportFile::~ReportFile() { close(); }

bool ReportFile::create(const char* path, SystemError* error)
{
    close();
    HANDLE file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_RANDOM_ACCESS, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        if (error != nullptr)
            *error = systemLastError();
        return false;
    }
    handle = reinterpret_cast<intptr_t>(file);
    return true;
}

bool ReportFile::write(const char* data, uint32_t length)
{
    if (!isOpen())
        return false;
    DWORD written = 0;
    if (!WriteFile(toHandle(handle), data, length, &written, nullptr))
        return false;
    return written == length;
}

bool ReportFile::close()
{
    if (!isOpen())
        return true;
    HANDLE file = toHandle(handle);
    handle = ClosedHandle;
    return CloseHandle(file) != 0;
}
