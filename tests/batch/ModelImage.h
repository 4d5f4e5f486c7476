// Builds 3DO file images for the batch tests in a plain, uncompacted layout:
// each object's header, vertices, primitive records, index arrays and name, then
// its child and sibling.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct FacePlan {
    uint32_t colour;
    std::vector<uint16_t> indexes;
};

struct ObjectPlan {
    std::string name = "part";
    std::vector<int32_t> vertices; // x, y, z of each vertex in turn
    std::vector<FacePlan> faces;
    std::vector<ObjectPlan> children; // the first is the child, the rest its siblings

    void addVertex(int32_t x, int32_t y, int32_t z)
    {
        vertices.push_back(x);
        vertices.push_back(y);
        vertices.push_back(z);
    }
    void addFace(std::vector<uint16_t> indexes, uint32_t colour = 1) { faces.push_back({colour, std::move(indexes)}); }
};

// The file image of root, padded with zero bytes to at least paddedSize.
std::vector<uint8_t> buildModelImage(const ObjectPlan& root, size_t paddedSize = 0);

// The whole file as text.
std::string readText(const std::string& path);
