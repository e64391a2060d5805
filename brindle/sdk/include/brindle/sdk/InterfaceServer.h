// Interfaces a plug-in offers beyond its base class, asked for by id: how a
// host learns more of a plug-in than the base class tells. A plug-in that
// offers none answers null.
#pragma once

#include <cstdint>

// The host's two-part 32-bit interface identifier.
class Interface_ID {
public:
    constexpr Interface_ID() = default;
    constexpr Interface_ID(std::uint32_t a, std::uint32_t b) : a_(a), b_(b) {}
    constexpr bool operator==(const Interface_ID& other) const {
        return a_ == other.a_ && b_ == other.b_;
    }

private:
    std::uint32_t a_ = 0;
    std::uint32_t b_ = 0;
};

// An interface a plug-in offers; it belongs to the plug-in and lives as
// long as it.
class BaseInterface {
public:
    virtual ~BaseInterface() = default;
    virtual Interface_ID GetID() = 0;
};

class InterfaceServer {
public:
    virtual ~InterfaceServer() = default;
    // The object's interface of `id`, or null when it offers none.
    virtual BaseInterface* GetInterface(Interface_ID /*id*/) { return nullptr; }
};
