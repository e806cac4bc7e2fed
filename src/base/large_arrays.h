// Room for the arrays of tens of megabytes a mesh needs (points, faces, edges), asked for
// in 2 MiB pages where the system gives them on request (Linux). Filling such an array
// 4 KiB at a time costs a page fault a page, and on a virtual machine a fault takes longer
// than filling the page: a 4M-quad mesh's arrays spent most of their first fill in faults.
#pragma once

#include <cstddef>
#include <vector>

namespace tessaryn {

// Tells the system that the untouched room [data, data + bytes) is best mapped in large
// pages. Does nothing for room smaller than a few large pages, or where the system takes
// no such advice.
void adviseLargePages(void* data, std::size_t bytes);

// Has the system give the pages of [data, data + bytes) now, as writing to each would,
// without writing: another thread may be filling the room meanwhile, and what it wrote
// stays. A thread with nothing else to do takes the cost of new pages off the one that
// fills them, which on a virtual machine may be most of the fill. Does nothing where the
// system has no such request (before Linux 5.14, other systems).
void prefaultRoom(void* data, std::size_t bytes);

// `values.reserve(size)`, with the new room advised as above before anything fills it.
template <class T, class Allocator>
void reserveLarge(std::vector<T, Allocator>& values, std::size_t size) {
    if (size <= values.capacity()) return;
    std::vector<T, Allocator> room;
    room.reserve(size);
    adviseLargePages(room.data(), size * sizeof(T));
    room.insert(room.end(), values.begin(), values.end());
    values.swap(room);
}

}  // namespace tessaryn
