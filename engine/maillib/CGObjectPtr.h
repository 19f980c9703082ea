#pragma once
// Owning pointer to a GObject (GMime objects, streams, parsers): the last
// reference is dropped when the pointer goes out of scope, on every path.

#include <glib-object.h>
#include <memory>

struct CGObjectUnref {
    void operator()(void* object) const {
        if (object != nullptr)
            g_object_unref(object);
    }
};

template <typename T> using CGObjectPtr = std::unique_ptr<T, CGObjectUnref>;

// Owning pointer to memory that GLib hands out with g_free.
struct CGFree {
    void operator()(void* memory) const { g_free(memory); }
};

using CGCharPtr = std::unique_ptr<char, CGFree>;
