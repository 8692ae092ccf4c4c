// One shared instance per type, created on first use (thread-safe static initialisation).
#pragma once
#include <memory>

namespace RaidDataModels {
template <class D> class Singleton {
public:
    static std::shared_ptr<D> instance() {
        static const std::shared_ptr<D> theInstance = std::make_shared<D>();
        return theInstance;
    }

protected:
    Singleton() = default;
};
} // namespace RaidDataModels
