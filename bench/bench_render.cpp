// Pictures: every corpus model drawn at 512 pixels and written as PNG bytes, with
// the median per model; and the cost against the picture's pixels and the
// model's faces.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <memory>
#include <random>
#include <vector>

#include <benchmark/benchmark.h>

#include "BenchSupport.h"

#include "model/Model.h"
#include "render/Canvas.h"
#include "render/Picture.h"
#include "render/PngFile.h"
#include "render/Scene.h"

namespace {

// The corpus models that load, read once.
const std::vector<std::unique_ptr<Model>>& loadedCorpus()
{
    static const std::vector<std::unique_ptr<Model>> models = [] {
        std::vector<std::unique_ptr<Model>> loaded;
        for (const CorpusFile& file : corpus()) {
            auto model = std::make_unique<Model>();
            if (model->read(file.bytes.data(), uint32_t(file.bytes.size())))
                loaded.push_back(std::move(model));
        }
        return loaded;
    }();
    return models;
}

// Draws the model at width pixels, and encodes the picture when asked.
void drawModel(const Model& model, uint32_t width, bool encode)
{
    Scene scene;
    Canvas canvas;
    scene.build(model.root, {});
    drawModelPicture(scene, {View::Iso, width}, canvas);
    benchmark::DoNotOptimize(canvas.rgba());
    if (!encode)
        return;
    uint32_t size = 0;
    delete[] encodePng(canvas, &size);
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::nth_element(values.begin(), values.begin() + std::ptrdiff_t(values.size() / 2), values.end());
    return values[values.size() / 2];
}

// Each model timed on its own; the counters give the median (by the clock and by
// the processor's time) and the slowest model in milliseconds.
void BM_RenderCorpus(benchmark::State& state)
{
    const bool encode = state.range(0) != 0;
    if (loadedCorpus().empty()) {
        state.SkipWithError("model corpus not found");
        return;
    }
    std::vector<double> times;
    std::vector<double> processorTimes;
    for (auto _ : state) {
        for (const std::unique_ptr<Model>& model : loadedCorpus()) {
            const auto start = std::chrono::steady_clock::now();
            const std::clock_t processorStart = std::clock();
            drawModel(*model, 512, encode);
            processorTimes.push_back(1000.0 * double(std::clock() - processorStart) / CLOCKS_PER_SEC);
            times.push_back(
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        }
    }
    // The processor's time alone stays steady on a machine shared with others.
    state.counters["median_ms"] = median(times);
    state.counters["median_cpu_ms"] = median(processorTimes);
    state.counters["max_ms"] = *std::max_element(times.begin(), times.end());
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(loadedCorpus().size()));
}
BENCHMARK(BM_RenderCorpus)->ArgName("png")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The corpus model with the most faces, at growing widths: linear in pixels.
void BM_RenderPixels(benchmark::State& state)
{
    const uint32_t width = uint32_t(state.range(0));
    const Model* largest = nullptr;
    for (const std::unique_ptr<Model>& model : loadedCorpus()) {
        if (largest == nullptr || model->countPrimitives() > largest->countPrimitives())
            largest = model.get();
    }
    if (largest == nullptr) {
        state.SkipWithError("model corpus not found");
        return;
    }
    for (auto _ : state)
        drawModel(*largest, width, true);
    state.SetComplexityN(int64_t(width) * width);
}
BENCHMARK(BM_RenderPixels)
    ->RangeMultiplier(2)
    ->Range(256, 2048)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);

// n small faces scattered through a box, drawn at 512 pixels: linear in faces.
void BM_RenderFaces(benchmark::State& state)
{
    const uint32_t n = uint32_t(state.range(0));
    std::mt19937 random(n);
    Model model;
    model.root = new ModelObject;
    Vertex* vertices = new Vertex[3 * n];
    Primitive* faces = new Primitive[n];
    for (uint32_t f = 0; f < n; ++f) {
        const int32_t x = int32_t(random() % 4000000), y = int32_t(random() % 4000000), z = int32_t(random() % 4000000);
        vertices[3 * f] = Vertex{x, y, z};
        vertices[3 * f + 1] = Vertex{x + 90000, y, z + 30000};
        vertices[3 * f + 2] = Vertex{x, y + 90000, z - 30000};
        uint16_t* indexes =
            new uint16_t[3]{uint16_t(3 * f % 65536), uint16_t((3 * f + 1) % 65536), uint16_t((3 * f + 2) % 65536)};
        faces[f].setIndexes(indexes, 3);
        faces[f].setColour(random() % 256);
    }
    model.root->setVertices(vertices, 3 * n);
    model.root->setPrimitives(faces, n);
    model.root->setName(new char[1]{0});
    for (auto _ : state)
        drawModel(model, 512, false);
    state.SetComplexityN(n);
}
BENCHMARK(BM_RenderFaces)
    ->RangeMultiplier(4)
    ->Range(1024, 16384)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);

} // namespace
