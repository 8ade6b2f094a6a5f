#pragma once

#include <memory>

namespace Kestlib {

// One instance per process, reached through T::Instance(). Start-up creates the
// instances in its order and releases them in reverse; Instance() creates on
// first use so that a library call made before start-up still finds one.
template <class T>
class ProcessObject {
public:
    static T& Instance() {
        std::unique_ptr<T>& holder = Holder();
        if (!holder) holder.reset(new T());
        return *holder;
    }
    static bool Exists() { return static_cast<bool>(Holder()); }
    static void Release() { Holder().reset(); }

protected:
    ProcessObject() = default;

private:
    static std::unique_ptr<T>& Holder() {
        static std::unique_ptr<T> holder;
        return holder;
    }
};

}  // namespace Kestlib
