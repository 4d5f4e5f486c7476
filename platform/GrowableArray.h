// An owned array that grows by doubling, for tables built one element at a
// time. Running out of memory is returned, never thrown, and leaves the array as
// it was; growing moves the elements, so pointers into it do not last.
#pragma once

#include <cstdint>
#include <new>

template <typename T> class GrowableArray {
public:
    GrowableArray() = default;
    ~GrowableArray() { delete[] elements; }
    GrowableArray(const GrowableArray&) = delete;
    GrowableArray& operator=(const GrowableArray&) = delete;

    // Room for at least wanted elements; false when it cannot be had.
    bool reserve(uint32_t wanted)
    {
        if (wanted <= room)
            return true;
        if (wanted > UINT32_MAX / sizeof(T))
            return false;
        T* grown = new (std::nothrow) T[wanted];
        if (grown == nullptr)
            return false;
        for (uint32_t i = 0; i < used; ++i)
            grown[i] = elements[i];
        delete[] elements;
        elements = grown;
        room = wanted;
        return true;
    }
    // Room for one more element, doubling from first; false when it cannot be had.
    bool makeRoom(uint32_t first = 8)
    {
        if (used < room)
            return true;
        if (room > UINT32_MAX / 2)
            return false;
        return reserve(room == 0 ? first : room * 2);
    }
    bool push(const T& value)
    {
        if (!makeRoom())
            return false;
        elements[used++] = value;
        return true;
    }
    // Appends count elements, growing to at least twice the room; false (and the
    // array as it was) when that room cannot be had.
    bool append(const T* values, uint32_t count, uint32_t first = 8)
    {
        if (count > UINT32_MAX - used)
            return false;
        const uint32_t wanted = used + count;
        if (wanted > room) {
            uint32_t grown = room == 0 ? first : room > UINT32_MAX / 2 ? UINT32_MAX : room * 2;
            if (!reserve(grown < wanted ? wanted : grown))
                return false;
        }
        for (uint32_t i = 0; i < count; ++i)
            elements[used++] = values[i];
        return true;
    }
    void clear() { used = 0; }
    // Drops the last element; nothing when there is none.
    void pop()
    {
        if (used > 0)
            --used;
    }

    uint32_t size() const { return used; }
    uint32_t capacity() const { return room; }
    T& operator[](uint32_t i) { return elements[i]; }
    const T& operator[](uint32_t i) const { return elements[i]; }
    T& back() { return elements[used - 1]; }
    const T* data() const { return elements; }

private:
    T* elements = nullptr;
    uint32_t used = 0;
    uint32_t room = 0;
};
