#include "ui/FileList.h"

#include <commdlg.h>

#include <cstddef>
#include <cstring>
#include <new>

// The open-file request as Windows NT 4 knew it, without the Windows 2000 fields.
#ifndef _WIN64
static_assert(offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR) == 76,
              "OPENFILENAMEA must be 76 bytes up to lpTemplateName");
#endif

namespace {

const uint32_t SelectionBufferSize = 32768;

// The length of the string at offset, or bufferSize - offset when it has no
// terminator inside the buffer.
uint32_t boundedLength(const char* buffer, uint32_t bufferSize, uint32_t offset)
{
    uint32_t length = 0;
    while (offset + length < bufferSize && buffer[offset + length] != '\0')
        ++length;
    return length;
}

char* copyJoined(const char* folder, uint32_t folderLength, const char* name, uint32_t nameLength)
{
    uint32_t separator = name != nullptr ? 1 : 0;
    char* path = new (std::nothrow) char[folderLength + separator + nameLength + 1];
    if (path == nullptr)
        return nullptr;
    std::memcpy(path, folder, folderLength);
    if (name != nullptr) {
        path[folderLength] = '\\';
        std::memcpy(path + folderLength + 1, name, nameLength);
    }
    path[folderLength + separator + nameLength] = '\0';
    return path;
}

FileList newFileList(uint32_t pathCount)
{
    FileList list = new (std::nothrow) char*[pathCount + 1];
    if (list == nullptr)
        return nullptr;
    for (uint32_t k = 0; k <= pathCount; ++k)
        list[k] = nullptr;
    return list;
}

} // namespace

void releaseFileList(FileList list)
{
    if (list == nullptr)
        return;
    for (uint32_t k = 0; list[k] != nullptr; ++k)
        delete[] list[k];
    delete[] list;
}

FileList fileListFromSelection(const char* buffer, uint32_t bufferSize, bool multiSelect)
{
    if (buffer == nullptr || bufferSize == 0)
        return nullptr;
    uint32_t count = 0;
    uint32_t offset = 0;
    while (offset < bufferSize && buffer[offset] != '\0') {
        offset += boundedLength(buffer, bufferSize, offset) + 1;
        ++count;
    }
    if (count == 0)
        return nullptr;
    uint32_t folderLength = boundedLength(buffer, bufferSize, 0);
    if (!multiSelect || count == 1) {
        FileList single = newFileList(1);
        if (single == nullptr)
            return nullptr;
        single[0] = copyJoined(buffer, folderLength, nullptr, 0);
        if (single[0] == nullptr) {
            releaseFileList(single);
            return nullptr;
        }
        return single;
    }
    FileList list = newFileList(count - 1);
    if (list == nullptr)
        return nullptr;
    offset = folderLength + 1;
    for (uint32_t k = 0; k + 1 < count; ++k) {
        uint32_t nameLength = boundedLength(buffer, bufferSize, offset);
        list[k] = copyJoined(buffer, folderLength, buffer + offset, nameLength);
        if (list[k] == nullptr) {
            releaseFileList(list);
            return nullptr;
        }
        offset += nameLength + 1;
    }
    return list;
}

FileList chooseFiles(HWND owner, HINSTANCE instance, const char* filter, const char* title, bool mustExist,
                     bool multiSelect)
{
    char* buffer = new (std::nothrow) char[SelectionBufferSize];
    if (buffer == nullptr)
        return nullptr;
    std::memset(buffer, 0, SelectionBufferSize);
    OPENFILENAMEA request = {};
    request.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    request.hwndOwner = owner;
    request.hInstance = instance;
    request.lpstrFilter = filter;
    request.nFilterIndex = 1;
    request.lpstrFile = buffer;
    request.nMaxFile = SelectionBufferSize;
    request.lpstrTitle = title;
    request.Flags = OFN_EXPLORER | (mustExist ? OFN_FILEMUSTEXIST : 0u) | (multiSelect ? OFN_ALLOWMULTISELECT : 0u);
    FileList list = nullptr;
    if (GetOpenFileNameA(&request) != 0)
        list = fileListFromSelection(buffer, SelectionBufferSize, multiSelect);
    delete[] buffer;
    return list;
}
