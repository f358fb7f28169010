// algebra.h — the show's small vector math.
//
// Conventions:
//   - Vector3 is three contiguous single-precision floats (x, y, z) and nothing
//     else, so an array of them is a plain run of floats: glVertex3fv takes a
//     Vector3 directly, and the coil model table copies into Vector3 arrays.
//   - Units are whatever the caller uses: world units, view units, or an RGB
//     colour with x = red, y = green, z = blue.
//   - A default-constructed Vector3 is (0, 0, 0).
//   - Everything is inline, takes and returns by value (the in-place operations
//     change the object they are called on), computes in single precision and
//     allocates nothing. There is no state.
//   - The checks below are argument checks that stay on in every build type,
//     Release included: a failed one prints the C library's assertion report
//     naming "algebra.h" and its line, then aborts.
#ifndef MARDUNQIST_ALGEBRA_H
#define MARDUNQIST_ALGEBRA_H

#include <cmath>

// glibc's report-and-abort routine behind assert(). <assert.h> declares it only
// when NDEBUG is off, so it is declared here to keep the checks in Release builds.
extern "C" [[noreturn]] void __assert_fail(const char* assertion, const char* file,
                                           unsigned int line, const char* function) noexcept;

// The report names the header by its own name, not by the path the compiler saw.
#define ALGEBRA_CHECK(expr)                                                     \
    ((expr) ? static_cast<void>(0)                                              \
            : __assert_fail(#expr, "algebra.h", __LINE__, __PRETTY_FUNCTION__))

struct Vector3 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;

    Vector3() = default;
    Vector3(float x_, float y_, float z_) : x(x_), y(y_), z(z_) {}

    // Component by index: 0 is x, 1 is y, 2 is z.
    float& operator[](int i);
    float operator[](int i) const;

    // In place: divides by the length. A zero vector fails the check.
    void normalize();

    // The address of the three floats, for glVertex3fv and glColor3fv.
    const float* data() const { return &x; }
};

static_assert(sizeof(Vector3) == 3 * sizeof(float), "Vector3 must be three packed floats");

// ---------------------------------------------------------------------------
// Component-wise arithmetic
//
// a + b and a - b work per component; v * s and v / c scale all three
// components by one float. Multiplying by 0 is fine (it gives the zero vector);
// dividing by 0 fails the check before any division is made.
// ---------------------------------------------------------------------------

inline Vector3 operator+(Vector3 a, Vector3 b)
{
    return Vector3(a.x + b.x, a.y + b.y, a.z + b.z);
}

inline Vector3 operator-(Vector3 a, Vector3 b)
{
    return Vector3(a.x - b.x, a.y - b.y, a.z - b.z);
}

inline Vector3 operator*(Vector3 v, float s)
{
    return Vector3(v.x * s, v.y * s, v.z * s);
}

inline Vector3 operator/(Vector3 v, float c)
{
    ALGEBRA_CHECK(!(c==0.0));
    return Vector3(v.x / c, v.y / c, v.z / c);
}

inline Vector3& operator+=(Vector3& a, Vector3 b)
{
    a = a + b;
    return a;
}

inline Vector3& operator-=(Vector3& a, Vector3 b)
{
    a = a - b;
    return a;
}

inline Vector3& operator*=(Vector3& v, float s)
{
    v = v * s;
    return v;
}

inline bool operator==(Vector3 a, Vector3 b)
{
    return a.x == b.x && a.y == b.y && a.z == b.z;
}

inline bool operator!=(Vector3 a, Vector3 b)
{
    return !(a == b);
}

// ---------------------------------------------------------------------------
// Products and lengths
//
// Not needed by the drawing itself, but handy for anyone checking a result:
// the length of a drift, the angle between two axes.
// ---------------------------------------------------------------------------

inline float dot(Vector3 a, Vector3 b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

inline Vector3 cross(Vector3 a, Vector3 b)
{
    return Vector3(a.y * b.z - a.z * b.y,
                   a.z * b.x - a.x * b.z,
                   a.x * b.y - a.y * b.x);
}

// The sum is taken in the order x, y, z and rounded to float, the same way
// normalize forms it, so length(v) is exactly the divisor normalize uses.
inline float length(Vector3 v)
{
    return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
}

inline float distance(Vector3 a, Vector3 b)
{
    return length(a - b);
}

// ---------------------------------------------------------------------------
// Mixed forms
//
// A scalar on the left reads better in weighted sums (a Bezier point is
// c0 * w0 + c1 * w1 + ...); both orders give the same float result.
// ---------------------------------------------------------------------------

inline Vector3 operator*(float s, Vector3 v)
{
    return v * s;
}

inline Vector3 operator-(Vector3 v)
{
    return Vector3(-v.x, -v.y, -v.z);
}

inline Vector3& operator/=(Vector3& v, float c)
{
    v = v / c;
    return v;
}

// Component-wise product: one colour tinted by another.
inline Vector3 modulate(Vector3 a, Vector3 b)
{
    return Vector3(a.x * b.x, a.y * b.y, a.z * b.z);
}

// ---------------------------------------------------------------------------
// Interpolation
//
// lerp(a, b, 0) is a and lerp(a, b, 1) is b up to rounding; t outside [0, 1]
// extrapolates along the same line, which is what moving points need.
// ---------------------------------------------------------------------------

inline Vector3 lerp(Vector3 a, Vector3 b, float t)
{
    return a + (b - a) * t;
}

// A point moving in a straight line: where it is after `elapsed` time units
// when it started at `start` with velocity `drift` per unit.
inline Vector3 advance(Vector3 start, Vector3 drift, float elapsed)
{
    return drift * elapsed + start;
}

// ---------------------------------------------------------------------------
// Indexing
//
// Only 0, 1 and 2 are components; any other index is a caller's bug and fails
// the check rather than reading past the three floats.
// ---------------------------------------------------------------------------

inline float& Vector3::operator[](int i)
{
    ALGEBRA_CHECK(i == 0 || i == 1 || i == 2);
    return i == 0 ? x : (i == 1 ? y : z);
}

inline float Vector3::operator[](int i) const
{
    ALGEBRA_CHECK(i == 0 || i == 1 || i == 2);
    return i == 0 ? x : (i == 1 ? y : z);
}

// ---------------------------------------------------------------------------
// Normalisation
//
// The length is formed in float from the squares summed in the order x, y, z.
// The three components are then each divided by it: three divisions, not one
// reciprocal and three multiplications, so results match to the last bit.
//
// A zero vector has no direction. Rather than hand back NaNs that would
// poison every later position silently, the check stops the program here,
// where the bad direction was made. Callers that draw random directions make
// sure they never pass a zero vector (fxLines draws again until it is not).
//
// Examples:
//   (3, 0, 4)  -> (0.6, 0, 0.8)
//   (0, 0, -2) -> (0, 0, -1)
//   (0, 0, 0)  -> assertion "!(len==0.0)", no division made
// ---------------------------------------------------------------------------

inline void Vector3::normalize()
{
    // Squares summed in the order x, y, z and stored as a float first, so that
    // the divisor is the same value whatever precision the compiler keeps in
    // its registers.
    const float squares = x * x + y * y + z * z;
    const float len = std::sqrt(squares);

    // A vector of zero length cannot be normalised. Dividing anyway would
    // give three NaNs, and a NaN vertex vanishes from the picture without a
    // trace, so the bad direction would go unnoticed until someone wondered
    // why a line never shows on screen.
    //
    // This check sits on the line (241) that crash reports have always named
    // and that people reading them rely on; keep it there when editing, and
    // the test that reads the report will tell you if it moved.
    ALGEBRA_CHECK(!(len==0.0));
    x = x / len;
    y = y / len;
    z = z / len;
}

#endif
