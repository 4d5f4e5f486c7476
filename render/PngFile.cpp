#include "render/PngFile.h"

#include "render/Canvas.h"
#include "render/StbLibraries.h"

uint8_t* encodePng(const Canvas& canvas, uint32_t* size)
{
    if (canvas.rgba() == nullptr)
        return nullptr;
    return encodePngFile(canvas.rgba(), canvas.width(), canvas.height(), size);
}

bool savePng(const Canvas& canvas, const char* path, SystemError* error)
{
    uint32_t size = 0;
    uint8_t* bytes = encodePng(canvas, &size);
    if (bytes == nullptr) {
        *error = {FileError::OutOfMemory, 0};
        return false;
    }
    const bool saved = replaceFileContents(path, bytes, size, error);
    delete[] bytes;
    return saved;
}
