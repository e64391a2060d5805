// The host's single-precision geometry: points, quaternions and 4x3
// transformation matrices.
//
// Matrices act on row vectors, p' = p * M: rows 0 to 2 are the images of the
// x, y and z axes, row 3 is the translation. A node's world matrix is its
// local matrix times its parent's world matrix.
//
// A host quaternion (x, y, z, w) stands for the rotation whose row-vector
// matrix is the usual column-vector matrix of (x, y, z, w); a rotation by a
// about an axis u is therefore (u sin(a/2), -cos(a/2)) in the host's terms.
#pragma once

struct Point3 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;

    constexpr Point3() = default;
    constexpr Point3(float x_, float y_, float z_) : x(x_), y(y_), z(z_) {}
    float& operator[](int i) { return i == 0 ? x : (i == 1 ? y : z); }
    float operator[](int i) const { return i == 0 ? x : (i == 1 ? y : z); }
    constexpr bool operator==(const Point3& o) const { return x == o.x && y == o.y && z == o.z; }
};

struct Quat {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    float w = 1.0f;

    constexpr Quat() = default;
    constexpr Quat(float x_, float y_, float z_, float w_) : x(x_), y(y_), z(z_), w(w_) {}
    constexpr bool operator==(const Quat& o) const {
        return x == o.x && y == o.y && z == o.z && w == o.w;
    }
};

// A box by its two corners.
struct Box3 {
    Point3 pmin;
    Point3 pmax;
};

class Matrix3 {
public:
    // The identity.
    Matrix3();
    Matrix3(const Point3& row0, const Point3& row1, const Point3& row2, const Point3& row3);

    Point3& operator[](int row) { return rows_[row]; }
    const Point3& operator[](int row) const { return rows_[row]; }
    Point3 GetRow(int row) const { return rows_[row]; }
    void SetRow(int row, const Point3& p) { rows_[row] = p; }
    Point3 GetTrans() const { return rows_[3]; }
    void SetTrans(const Point3& p) { rows_[3] = p; }
    // Clears the translation, keeping rotation and scale.
    void NoTrans() { rows_[3] = Point3(); }

    bool operator==(const Matrix3& other) const;
    bool operator!=(const Matrix3& other) const { return !(*this == other); }

private:
    Point3 rows_[4];
};

// The product a * b: first a, then b (row vectors).
Matrix3 operator*(const Matrix3& a, const Matrix3& b);
// p * m.
Point3 operator*(const Point3& p, const Matrix3& m);
// p * m without the translation row.
Point3 VectorTransform(const Matrix3& m, const Point3& p);
// The inverse of an invertible matrix; the identity for a singular one.
Matrix3 Inverse(const Matrix3& m);

// Building blocks: a translation, a rotation, a scale along the axes.
Matrix3 TransMatrix(const Point3& p);
Matrix3 ScaleMatrix(const Point3& s);
// The row-vector matrix of a host quaternion (normalised first).
Matrix3 QuatMatrix(const Quat& q);
// The host quaternion of the rotation part of a matrix without scale.
Quat MatrixQuat(const Matrix3& m);

// Splits a matrix of translation, rotation and positive per-axis scale:
// m = ScaleMatrix(scale) * QuatMatrix(rotation) * TransMatrix(position).
void DecomposeMatrix(const Matrix3& m, Point3& position, Quat& rotation, Point3& scale);

// The Euler angles (a, b, c), in radians, of a host quaternion such that its
// matrix is X(a) * Y(b) * Z(c), with X, Y and Z the row-vector rotations
// about the three axes.
void QuatToEuler(const Quat& q, float* angles);
// The host quaternion of X(a) * Y(b) * Z(c).
void EulerToQuat(const float* angles, Quat& q);
