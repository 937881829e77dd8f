// Small RAII holders for GLib and GObject resources.
#pragma once

#include <glib-object.h>
#include <glib.h>
#include <memory>
#include <utility>

// One owned reference to a GObject (or any type that is one).
template <typename T> class GRef
{
  public:
    GRef() = default;
    // Takes over a reference the caller owns.
    explicit GRef(T *owned) : ptr_(owned) {}
    GRef(const GRef &other) : ptr_(other.ptr_) { ref(); }
    GRef(GRef &&other) noexcept : ptr_(std::exchange(other.ptr_, nullptr)) {}
    ~GRef() { reset(); }
    GRef &operator=(GRef other) noexcept
    {
        std::swap(ptr_, other.ptr_);
        return *this;
    }
    // Adds a reference of our own to an object someone else owns.
    static GRef share(T *borrowed)
    {
        GRef r(borrowed);
        r.ref();
        return r;
    }
    void reset(T *owned = nullptr)
    {
        if (ptr_ != nullptr) {
            g_object_unref(ptr_);
        }
        ptr_ = owned;
    }
    // Hands the reference to the caller.
    T *release() { return std::exchange(ptr_, nullptr); }
    T *get() const { return ptr_; }
    T *operator->() const { return ptr_; }
    explicit operator bool() const { return ptr_ != nullptr; }

  private:
    void ref()
    {
        if (ptr_ != nullptr) {
            g_object_ref(ptr_);
        }
    }
    T *ptr_ = nullptr;
};

struct GFreeDeleter
{
    void operator()(void *p) const { g_free(p); }
};
// A string or block from g_malloc.
using GCharPtr = std::unique_ptr<char, GFreeDeleter>;

// One owned GError: hand out() to a GLib-style call that may set it.
class GErrorPtr
{
  public:
    GErrorPtr() = default;
    GErrorPtr(const GErrorPtr &) = delete;
    GErrorPtr &operator=(const GErrorPtr &) = delete;
    ~GErrorPtr() { g_clear_error(&error_); }
    // Clears what was held and gives the call somewhere to put an error.
    GError **out()
    {
        g_clear_error(&error_);
        return &error_;
    }
    GError *get() const { return error_; }
    // Hands the error to the caller (g_propagate_error and the like).
    GError *release() { return std::exchange(error_, nullptr); }
    GError *operator->() const { return error_; }
    explicit operator bool() const { return error_ != nullptr; }
    // The message, or the fallback when no error was set.
    const char *message(const char *fallback = "Unknown error") const
    {
        return error_ != nullptr ? error_->message : fallback;
    }

  private:
    GError *error_ = nullptr;
};
