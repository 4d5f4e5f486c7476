#include "BenchSupport.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "model/Format.h"
#include "platform/File.h"

namespace fs = std::filesystem;

const std::vector<CorpusFile>& corpus()
{
    static const std::vector<CorpusFile> files = [] {
        std::vector<CorpusFile> found;
        std::error_code error;
        for (fs::recursive_directory_iterator it(SCOUR_CORPUS_DIR, error), end; !error && it != end;
             it.increment(error)) {
            if (!it->is_regular_file(error) || it->path().extension() != ".3do")
                continue;
            CorpusFile file;
            file.path = it->path().string();
            uint8_t* data = nullptr;
            uint32_t size = 0;
            if (readWholeFile(file.path.c_str(), MaxModelFileSize, &data, &size) != ReadFileResult::Ok)
                continue;
            file.bytes.assign(data, data + size);
            delete[] data;
            found.push_back(std::move(file));
        }
        std::sort(found.begin(), found.end(), [](const CorpusFile& a, const CorpusFile& b) { return a.path < b.path; });
        return found;
    }();
    return files;
}

int64_t corpusBytes()
{
    int64_t total = 0;
    for (const CorpusFile& file : corpus())
        total += static_cast<int64_t>(file.bytes.size());
    return total;
}

ScratchDir::ScratchDir()
{
    static unsigned serial = 0;
    const fs::path base = fs::temp_directory_path();
    for (unsigned attempt = 0; attempt < 1000 && dir.empty(); ++attempt) {
        const fs::path candidate =
            base / ("scourwell-bench-" + std::to_string(std::rand()) + "-" + std::to_string(serial++));
        std::error_code error;
        if (fs::create_directory(candidate, error))
            dir = candidate.string();
    }
}

ScratchDir::~ScratchDir()
{
    std::error_code error;
    if (!dir.empty())
        fs::remove_all(dir, error);
}

std::string ScratchDir::file(const std::string& name) const { return (fs::path(dir) / name).string(); }

static char* copyString(const std::string& s)
{
    char* copy = new char[s.size() + 1];
    std::memcpy(copy, s.c_str(), s.size() + 1);
    return copy;
}

void buildLargeModel(Model& model, uint32_t scale)
{
    const uint32_t vertexCount = 65535;
    const uint32_t primitiveCount = 200000 * scale;
    const uint32_t nameCount = 10000 * scale;
    delete model.root;
    model.root = new ModelObject;
    ModelObject& object = *model.root;
    object.setName(copyString("large"));

    Vertex* vertices = new Vertex[vertexCount];
    for (uint32_t i = 0; i < vertexCount; ++i) {
        vertices[i].x = static_cast<int32_t>(i * 7 % 1000);
        vertices[i].y = static_cast<int32_t>(i * 13 % 1000);
        vertices[i].z = static_cast<int32_t>(i);
    }
    object.setVertices(vertices, vertexCount);

    Primitive* primitives = new Primitive[primitiveCount];
    uint32_t seed = 12345;
    for (uint32_t i = 0; i < primitiveCount; ++i) {
        seed = seed * 1664525u + 1013904223u;
        const uint32_t indexCount = 1 + (seed >> 28) % 4;
        uint16_t* indexes = new uint16_t[indexCount];
        for (uint32_t k = 0; k < indexCount; ++k)
            indexes[k] = static_cast<uint16_t>((seed >> 8) + k * 977u);
        primitives[i].setIndexes(indexes, indexCount);
        primitives[i].setColour(i);
        char name[32];
        std::snprintf(name, sizeof name, "texture%06u", i % nameCount);
        primitives[i].setTextureName(copyString(name));
    }
    object.setPrimitives(primitives, primitiveCount);
}
