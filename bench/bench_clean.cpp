// Cleaning throughput over the model corpus, and the pass against the plain
// quadratic algorithm on one large generated object at growing sizes.
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "BenchSupport.h"

#include "clean/CleaningPass.h"
#include "clean/ColourMap.h"
#include "model/Model.h"

namespace {

// The corpus files that load and clean (those with corrupt indexes left out).
const std::vector<const CorpusFile*>& cleanableCorpus()
{
    static std::vector<const CorpusFile*> files = [] {
        std::vector<const CorpusFile*> chosen;
        for (const CorpusFile& file : corpus()) {
            Model model;
            if (model.read(file.bytes.data(), uint32_t(file.bytes.size()))
                && cleanModel(model, ColourMap()) == CleanResult::Cleaned)
                chosen.push_back(&file);
        }
        return chosen;
    }();
    return files;
}

int64_t cleanableBytes()
{
    int64_t total = 0;
    for (const CorpusFile* file : cleanableCorpus())
        total += int64_t(file->bytes.size());
    return total;
}

// Reading only: subtract from the read-and-clean figure below.
void BM_CorpusRead(benchmark::State& state)
{
    if (cleanableCorpus().empty()) {
        state.SkipWithError("model corpus not found");
        return;
    }
    for (auto _ : state) {
        for (const CorpusFile* file : cleanableCorpus()) {
            Model model;
            benchmark::DoNotOptimize(model.read(file->bytes.data(), uint32_t(file->bytes.size())));
        }
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * cleanableBytes());
}
BENCHMARK(BM_CorpusRead)->Unit(benchmark::kMillisecond);

void BM_CorpusReadAndClean(benchmark::State& state)
{
    if (cleanableCorpus().empty()) {
        state.SkipWithError("model corpus not found");
        return;
    }
    ColourMap map;
    for (auto _ : state) {
        for (const CorpusFile* file : cleanableCorpus()) {
            Model model;
            model.read(file->bytes.data(), uint32_t(file->bytes.size()));
            benchmark::DoNotOptimize(cleanModel(model, map));
        }
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * cleanableBytes());
}
BENCHMARK(BM_CorpusReadAndClean)->Unit(benchmark::kMillisecond);

// Cleaning alone: the models are read with the timer paused, as cleaning changes them.
void BM_CorpusClean(benchmark::State& state)
{
    if (cleanableCorpus().empty()) {
        state.SkipWithError("model corpus not found");
        return;
    }
    ColourMap map;
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<std::unique_ptr<Model>> models;
        for (const CorpusFile* file : cleanableCorpus()) {
            models.push_back(std::make_unique<Model>());
            models.back()->read(file->bytes.data(), uint32_t(file->bytes.size()));
        }
        state.ResumeTiming();
        for (std::unique_ptr<Model>& model : models)
            benchmark::DoNotOptimize(cleanModel(*model, map));
        state.PauseTiming();
        models.clear();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * cleanableBytes());
}
BENCHMARK(BM_CorpusClean)->Unit(benchmark::kMillisecond);

// One object of n vertices, about half of them duplicates, and 2n faces of
// colours 0 to 15 (the default map drops a sixteenth of them).
ModelObject* largeObject(uint32_t n)
{
    std::mt19937 random(n);
    ModelObject* object = new ModelObject;
    Vertex* vertices = new Vertex[n];
    for (uint32_t i = 0; i < n; ++i) {
        uint32_t shape = uint32_t(random() % (n / 2 + 1));
        vertices[i] = Vertex{int32_t(shape * 3), -int32_t(shape), int32_t(shape % 97)};
    }
    object->setVertices(vertices, n);
    uint32_t faces = 2 * n;
    Primitive* primitives = new Primitive[faces];
    for (uint32_t p = 0; p < faces; ++p) {
        uint16_t* indexes = new uint16_t[3];
        for (uint32_t k = 0; k < 3; ++k)
            indexes[k] = uint16_t(random() % n);
        primitives[p].setIndexes(indexes, 3);
        primitives[p].setColour(uint32_t(random() % 16));
    }
    object->setPrimitives(primitives, faces);
    object->setName(new char[1]{0});
    return object;
}

// The heap left by one size scatters the many small index lists of the next, so
// steady figures come from one size per process (--benchmark_filter=.../16384$).
void BM_CleanLargeObject(benchmark::State& state)
{
    uint32_t n = uint32_t(state.range(0));
    ColourMap map;
    for (auto _ : state) {
        state.PauseTiming();
        std::unique_ptr<ModelObject> object(largeObject(n));
        state.ResumeTiming();
        benchmark::DoNotOptimize(cleanObjects(*object, map));
        state.PauseTiming();
        object.reset();
        state.ResumeTiming();
    }
    state.SetComplexityN(n);
    state.SetItemsProcessed(int64_t(state.iterations()) * n);
}
BENCHMARK(BM_CleanLargeObject)->RangeMultiplier(2)->Range(4096, 65535)->Complexity()->Unit(benchmark::kMicrosecond);

} // namespace
