// The cleaning pass over an object tree: per object, merge vertices with equal
// coordinates, drop the untextured primitives of removed colours (not lines, not
// the selection primitive), recolour the rest, drop unused vertices and renumber
// the others in order of first use, and give an object left empty a one-point
// primitive at its origin.
#pragma once

#include <cstdint>

#include "clean/CleanResult.h"

class ColourMap;
class Model;
class ModelObject;

// True when cleaning with colourMap drops primitive number (below primitiveCount)
// of object: an untextured primitive of a removed colour that is neither a line
// nor the object's selection primitive.
bool removesPrimitive(const ModelObject& object, uint32_t number, const ColourMap& colourMap);

// Cleans first, its child subtree and its sibling chain. A primitive naming a
// vertex its object does not have, anywhere in the tree, leaves the whole tree
// as it was (CorruptIndex); so does memory running out before the first change
// to an object (OutOfMemory), for that object and those after it.
CleanResult cleanObjects(ModelObject& first, const ColourMap& colourMap);
// cleanObjects on the model's root; a model without a root is left alone.
CleanResult cleanModel(Model& model, const ColourMap& colourMap);
