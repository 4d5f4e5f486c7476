// Faces that name a vertex their object does not have: found for info, lint and
// the refusal of a clean, and dropped by a repair before cleaning.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class ModelObject;
class Primitive;

struct FaceFault {
    std::string object;   // the object's name
    uint32_t face;        // the face's number in its object, from 0
    uint32_t index;       // the first vertex it names that the object does not have
    uint32_t vertexCount; // the object's
    uint32_t indexCount;  // the face's: 1 a point, 2 a line, 3 and more drawn
};

// The first index of face at or past vertexCount; false when there is none.
bool findBadIndex(const Primitive& face, uint32_t vertexCount, uint32_t* index);
// True when any face of first, its child subtree or its sibling chain is bad.
bool hasBadFaces(const ModelObject* first);
// Appends each bad face of the tree, objects in the order they are read.
void findBadFaces(const ModelObject* first, std::vector<FaceFault>& faults);
// Drops every bad face of the tree, whatever its colour, texture or count, and
// appends it to dropped. A selection primitive that is dropped becomes -1; one
// after dropped faces moves down with them. False when memory ran out: the
// objects before the one in hand are repaired, it and the rest are as they were.
bool dropBadFaces(ModelObject* first, std::vector<FaceFault>& dropped);
