// A visit of every object of a tree, depth first: an object, then its child
// subtree, then its sibling chain. It keeps the path to the current object in a
// fixed array as deep as a load may build, so it neither recurses nor allocates.
#pragma once

#include <cstdint>

#include "Format.h"
#include "ModelObject.h"

template <typename Object> class ObjectWalkOf {
public:
    // Walks first, its child subtree and its sibling chain.
    explicit ObjectWalkOf(Object* first) : current(first) {}
    ObjectWalkOf(const ObjectWalkOf&) = delete;
    ObjectWalkOf& operator=(const ObjectWalkOf&) = delete;

    // The next object, or null when every object was visited or the tree goes
    // deeper than a load may build (tooDeep() then says so). The links of the
    // objects visited must not change during the walk.
    Object* next()
    {
        if (!started) {
            started = true;
            return current;
        }
        if (current == nullptr)
            return nullptr;
        if (current->child != nullptr) {
            if (level == MaxObjectDepth) {
                deep = true;
                current = nullptr;
                return nullptr;
            }
            path[level++] = current;
            current = current->child;
            leftmost = true;
            return current;
        }
        while (current->sibling == nullptr) {
            if (level == 0) {
                current = nullptr;
                return nullptr;
            }
            current = path[--level];
        }
        current = current->sibling;
        leftmost = false;
        return current;
    }

    // Child links from the first object's chain down to the current object.
    uint32_t depth() const { return level; }
    // The object on the path at depth at, for at < depth(): 0 is the first
    // object's chain, depth() - 1 the parent.
    Object* ancestor(uint32_t at) const { return at < level ? path[at] : nullptr; }
    // True when the current object starts its chain: the first object, or a child.
    bool firstInChain() const { return leftmost; }
    bool tooDeep() const { return deep; }

private:
    Object* current;
    Object* path[MaxObjectDepth]; // entries below level only; written before read
    uint32_t level = 0;
    bool started = false;
    bool leftmost = true;
    bool deep = false;
};

using ObjectWalk = ObjectWalkOf<const ModelObject>;
using MutableObjectWalk = ObjectWalkOf<ModelObject>;
