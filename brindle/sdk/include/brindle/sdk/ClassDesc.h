// How a plug-in module presents its classes to the host: class identifiers,
// the host's version constant, its heap, and the class descriptor.
#pragma once

#include <cstddef>
#include <cstdint>

#include "brindle/sdk/BrindleWindows.h"

using SClass_ID = std::uint32_t;

// The host's two-part 32-bit class identifier.
class Class_ID {
public:
    constexpr Class_ID() = default;
    constexpr Class_ID(std::uint32_t a, std::uint32_t b) : a_(a), b_(b) {}
    constexpr std::uint32_t PartA() const { return a_; }
    constexpr std::uint32_t PartB() const { return b_; }
    constexpr bool operator==(const Class_ID& other) const {
        return a_ == other.a_ && b_ == other.b_;
    }

private:
    std::uint32_t a_ = 0;
    std::uint32_t b_ = 0;
};

// Super classes of the plug-ins this module offers.
constexpr SClass_ID SCENE_IMPORT_CLASS_ID = 0x0A10;
constexpr SClass_ID SCENE_EXPORT_CLASS_ID = 0x0A20;
constexpr SClass_ID UTILITY_CLASS_ID = 0x1020;

// The host's version constant: release 15000 in the upper 16 bits, API
// number 40 in bits 8 to 15, SDK revision 0 in the low 8 bits. A module
// returns it from LibVersion; the host loads only modules built for it.
constexpr std::uint32_t BRINDLE_RELEASE = 15000;
constexpr std::uint32_t BRINDLE_API_NUM = 40;
constexpr std::uint32_t BRINDLE_SDK_REV = 0;
constexpr std::uint32_t VERSION_BRINDLE =
    (BRINDLE_RELEASE << 16) | (BRINDLE_API_NUM << 8) | BRINDLE_SDK_REV;

// The host's heap. Allocation never throws: it returns null when the heap
// cannot supply the memory.
void* BrindleHeapAlloc(std::size_t bytes) noexcept;
void BrindleHeapFree(void* block) noexcept;

// Objects the host creates through a module and may free on its own live on
// the host's heap: `new` yields null when the heap is exhausted.
class HostHeapObject {
public:
    static void* operator new(std::size_t bytes) noexcept { return BrindleHeapAlloc(bytes); }
    static void operator delete(void* block) noexcept { BrindleHeapFree(block); }
};

// A class descriptor: what the host asks of a plug-in class before it
// creates objects of it.
class ClassDesc : public HostHeapObject {
public:
    virtual ~ClassDesc();
    virtual int IsPublic() = 0;
    // A new object of the class on the host's heap, or null.
    virtual void* Create(BOOL loading = FALSE) = 0;
    virtual const wchar_t* ClassName() = 0;
    virtual SClass_ID SuperClassID() = 0;
    virtual Class_ID ClassID() = 0;
    virtual const wchar_t* Category() = 0;
    // Queries with the host's default answers.
    virtual BOOL OkToCreate() { return TRUE; }
    virtual BOOL HasClassParams() { return FALSE; }
    virtual int BeginCreate() { return 0; }
    virtual int EndCreate() { return 0; }
    virtual void ResetClassParams(BOOL /*fileReset*/ = FALSE) {}
    virtual bool IsManipulator() { return false; }
    virtual int NumActionTables() { return 0; }
    // The module's resource string `id`, for a host that shows the module's
    // own words; null when it has none.
    virtual const wchar_t* GetRsrcString(std::intptr_t /*id*/) { return nullptr; }
};

// The descriptor base of current plug-ins: adds the internal name and the
// module instance.
class ClassDesc2 : public ClassDesc {
public:
    virtual const wchar_t* InternalName() { return nullptr; }
    virtual HINSTANCE HInstance() { return nullptr; }
    virtual int NumParamBlockDescs() { return 0; }
};

// The entry points every module exports, by these plain names.
extern "C" {
using LibDescriptionFn = const wchar_t* (*)();
using LibNumberClassesFn = int (*)();
using LibClassDescFn = ClassDesc* (*)(int);
using LibVersionFn = unsigned long (*)();
using LibShutdownFn = int (*)();
using CanAutoDeferFn = int (*)();
}
