#pragma once

#include <cstddef>
#include <memory>
#include <utility>

// How the last holder releases the object: it deletes it.
struct close_delete {
    template <class T>
    void operator()(T* object) const {
        delete object;
    }
};

// The empty state of a holder.
struct null_t {};

template <class T, class Close = close_delete, class Null = null_t>
class shared_any;

// Reference-counted holder of a configuration object, written with the
// pointer type it holds: shared_any<Configuration*, close_delete, null_t>.
// Copies share one object, the last holder releases it with Close, and an
// empty holder is the Null state. One object may sit in several lists.
template <class T, class Close, class Null>
class shared_any<T*, Close, Null> {
public:
    shared_any() = default;
    shared_any(Null) {}
    // Takes ownership; Close receives the pointer with its own type, so a
    // derived object is released as what it is.
    template <class U>
    explicit shared_any(U* object) : m_object(object, Close()) {}
    // A holder of a derived type shares its object with a holder of the base.
    template <class U>
    shared_any(const shared_any<U*, Close, Null>& other) : m_object(other.m_object) {}

    T* get() const { return m_object.get(); }
    T* operator->() const { return m_object.get(); }
    T& operator*() const { return *m_object; }
    bool is_null() const { return !m_object; }
    explicit operator bool() const { return static_cast<bool>(m_object); }
    long use_count() const { return m_object.use_count(); }
    void reset() { m_object.reset(); }

    friend bool operator==(const shared_any& holder, Null) { return holder.is_null(); }
    friend bool operator!=(const shared_any& holder, Null) { return !holder.is_null(); }

private:
    template <class U, class C, class N>
    friend class shared_any;

    std::shared_ptr<T> m_object;
};
