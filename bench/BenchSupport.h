// Shared by the benchmarks: the model corpus read into memory once, scratch
// folders, and a generated model far larger than any real one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/Model.h"

struct CorpusFile {
    std::string path;
    std::vector<uint8_t> bytes;
};

// Every .3do file of the corpus, read once on first use; empty when the corpus
// is absent (the benchmarks then skip with a message).
const std::vector<CorpusFile>& corpus();
// Total bytes of the corpus files.
int64_t corpusBytes();

// A fresh folder under the temporary directory, removed with its contents.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    std::string file(const std::string& name) const;

private:
    std::string dir;
};

// One object with 65,535 vertices, 200,000 x scale primitives of 1 to 4 indexes
// and 10,000 x scale distinct texture names, used in turn.
void buildLargeModel(Model& model, uint32_t scale);
