// Reading, composing and saving models: the corpus as a whole, and a generated
// model at three sizes to show that the cost grows linearly.
#include <memory>

#include <benchmark/benchmark.h>

#include "BenchSupport.h"
#include "model/Model.h"
#include "model/OutputBuffer.h"

namespace {

// The corpus files that load, as models.
std::vector<std::unique_ptr<Model>> loadedCorpus()
{
    std::vector<std::unique_ptr<Model>> models;
    for (const CorpusFile& file : corpus()) {
        std::unique_ptr<Model> model(new Model);
        if (model->read(file.bytes.data(), static_cast<uint32_t>(file.bytes.size())))
            models.push_back(std::move(model));
    }
    return models;
}

void BM_ReadCorpus(benchmark::State& state)
{
    if (corpus().empty())
        return state.SkipWithError("model corpus not found");
    for (auto _ : state) {
        for (const CorpusFile& file : corpus()) {
            Model model;
            benchmark::DoNotOptimize(model.read(file.bytes.data(), static_cast<uint32_t>(file.bytes.size())));
        }
    }
    state.SetBytesProcessed(state.iterations() * corpusBytes());
    state.counters["files"] = static_cast<double>(corpus().size());
}
BENCHMARK(BM_ReadCorpus)->Unit(benchmark::kMillisecond);

void BM_ComposeCorpus(benchmark::State& state)
{
    if (corpus().empty())
        return state.SkipWithError("model corpus not found");
    const std::vector<std::unique_ptr<Model>> models = loadedCorpus();
    int64_t bytes = 0;
    for (auto _ : state) {
        for (const std::unique_ptr<Model>& model : models) {
            OutputBuffer file;
            if (!model->compose(file))
                return state.SkipWithError("compose failed");
            bytes += file.size();
        }
    }
    state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_ComposeCorpus)->Unit(benchmark::kMillisecond);

void BM_ReadComposeCorpus(benchmark::State& state)
{
    if (corpus().empty())
        return state.SkipWithError("model corpus not found");
    for (auto _ : state) {
        for (const CorpusFile& file : corpus()) {
            Model model;
            if (!model.read(file.bytes.data(), static_cast<uint32_t>(file.bytes.size())))
                continue;
            OutputBuffer image;
            benchmark::DoNotOptimize(model.compose(image));
        }
    }
    state.SetBytesProcessed(state.iterations() * corpusBytes());
}
BENCHMARK(BM_ReadComposeCorpus)->Unit(benchmark::kMillisecond);

// Each save writes a temporary file, flushes it to the disk and renames it.
void BM_SaveCorpus(benchmark::State& state)
{
    if (corpus().empty())
        return state.SkipWithError("model corpus not found");
    const std::vector<std::unique_ptr<Model>> models = loadedCorpus();
    ScratchDir dir;
    std::vector<std::string> paths;
    for (size_t i = 0; i < models.size(); ++i)
        paths.push_back(dir.file(std::to_string(i) + ".3do"));
    int64_t bytes = 0;
    for (auto _ : state) {
        for (size_t i = 0; i < models.size(); ++i) {
            uint32_t saved = 0;
            if (!models[i]->save(paths[i].c_str(), &saved))
                return state.SkipWithError("save failed");
            bytes += saved;
        }
    }
    state.SetBytesProcessed(bytes);
    state.counters["files"] = static_cast<double>(models.size());
}
BENCHMARK(BM_SaveCorpus)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_ComposeLarge(benchmark::State& state)
{
    Model model;
    buildLargeModel(model, static_cast<uint32_t>(state.range(0)));
    int64_t bytes = 0;
    for (auto _ : state) {
        OutputBuffer file;
        if (!model.compose(file))
            return state.SkipWithError("compose failed");
        bytes += file.size();
    }
    state.SetBytesProcessed(bytes);
    state.counters["primitives"] = static_cast<double>(model.countPrimitives());
}
BENCHMARK(BM_ComposeLarge)->Arg(1)->Arg(2)->Arg(4)->Unit(benchmark::kMillisecond);

void BM_ReadLarge(benchmark::State& state)
{
    Model model;
    buildLargeModel(model, static_cast<uint32_t>(state.range(0)));
    OutputBuffer image;
    if (!model.compose(image))
        return state.SkipWithError("compose failed");
    for (auto _ : state) {
        Model again;
        if (!again.read(image.data(), image.size()))
            return state.SkipWithError("read failed");
    }
    state.SetBytesProcessed(state.iterations() * int64_t(image.size()));
    state.counters["primitives"] = static_cast<double>(model.countPrimitives());
}
BENCHMARK(BM_ReadLarge)->Arg(1)->Arg(2)->Arg(4)->Unit(benchmark::kMillisecond);

} // namespace
