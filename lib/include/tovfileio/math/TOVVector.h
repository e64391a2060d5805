// Vector value types: the building blocks of every rotation and translation.
//
// The accessors are virtual and keep a fixed slot order (element read,
// element write, x, y, z, w) so that every vector type answers the same
// calls. Element access does not check its index; callers pass 0 to 2
// (0 to 3 for TOVVector4).
#pragma once

namespace tovfileio {

template <typename T>
class TOVVector {
public:
    virtual ~TOVVector() = default;
    virtual T operator[](int i) const = 0;  // element read
    virtual T& operator[](int i) = 0;       // element write
    virtual T x() const = 0;
    virtual T y() const = 0;
    virtual T z() const = 0;
    virtual T w() const = 0;

protected:
    TOVVector() = default;
    TOVVector(const TOVVector&) = default;
    TOVVector& operator=(const TOVVector&) = default;
};

template <typename T>
class TOVVector3 final : public TOVVector<T> {
public:
    TOVVector3() = default;
    TOVVector3(T x, T y, T z) : elements_{x, y, z} {}
    TOVVector3(const TOVVector3&) = default;
    TOVVector3& operator=(const TOVVector3&) = default;

    T operator[](int i) const override { return elements_[i]; }
    T& operator[](int i) override { return elements_[i]; }
    // Element i without a virtual call, for code that holds the vector
    // itself (a member, not a reference to some vector): the rotations'
    // arithmetic.
    T At(int i) const { return elements_[i]; }
    T& At(int i) { return elements_[i]; }
    T x() const override { return elements_[0]; }
    T y() const override { return elements_[1]; }
    T z() const override { return elements_[2]; }
    // A three-element vector has no w.
    T w() const override { return T(0); }

private:
    T elements_[3] = {T(0), T(0), T(0)};
};

template <typename T>
class TOVVector4 final : public TOVVector<T> {
public:
    TOVVector4() = default;
    TOVVector4(T x, T y, T z, T w) : elements_{x, y, z, w} {}
    TOVVector4(const TOVVector4&) = default;
    TOVVector4& operator=(const TOVVector4&) = default;

    T operator[](int i) const override { return elements_[i]; }
    T& operator[](int i) override { return elements_[i]; }
    // Element i without a virtual call (see TOVVector3::At).
    T At(int i) const { return elements_[i]; }
    T& At(int i) { return elements_[i]; }
    T x() const override { return elements_[0]; }
    T y() const override { return elements_[1]; }
    T z() const override { return elements_[2]; }
    T w() const override { return elements_[3]; }

private:
    T elements_[4] = {T(0), T(0), T(0), T(0)};
};

}  // namespace tovfileio
