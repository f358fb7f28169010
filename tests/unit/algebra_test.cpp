#include "algebra.h"

#include <gtest/gtest.h>

TEST(Vector3, DefaultsAndArraysAreZero)
{
    Vector3 v;
    EXPECT_EQ(v, Vector3(0, 0, 0));
    Vector3 many[16];
    for (const Vector3& m : many)
        EXPECT_EQ(m, Vector3(0, 0, 0));
    // Three packed floats: glVertex3fv and the model table rely on it.
    EXPECT_EQ(reinterpret_cast<const float*>(&many[1]) - reinterpret_cast<const float*>(&many[0]), 3);
}

TEST(Vector3, Arithmetic)
{
    const Vector3 a(1, 2, 3);
    EXPECT_EQ(a - a, Vector3(0, 0, 0));
    EXPECT_EQ(a * 0.0f, Vector3(0, 0, 0));
    EXPECT_EQ(a + Vector3(1, 1, 1), Vector3(2, 3, 4));
    EXPECT_EQ(a * 2.0f, Vector3(2, 4, 6));
    EXPECT_EQ(a / 2.0f, Vector3(0.5f, 1, 1.5f));
    EXPECT_EQ(a[0], 1.0f);
    EXPECT_EQ(a[2], 3.0f);
}

TEST(Vector3, NormalizeDividesByLength)
{
    Vector3 v(3, 0, 4);
    v.normalize();
    EXPECT_FLOAT_EQ(v.x, 0.6f);
    EXPECT_EQ(v.y, 0.0f);
    EXPECT_FLOAT_EQ(v.z, 0.8f);

    Vector3 w(0, 0, -2);
    w.normalize();
    EXPECT_EQ(w, Vector3(0, 0, -1));

    // Three divisions, not a reciprocal: the bits match the division exactly.
    Vector3 u(1, 1, 1);
    const float len = std::sqrt(3.0f);
    u.normalize();
    EXPECT_EQ(u.x, 1.0f / len);
}

using Vector3Death = ::testing::Test;

TEST(Vector3Death, NormalizeOfZeroReportsLine241)
{
    EXPECT_DEATH(
        {
            Vector3 zero;
            zero.normalize();
        },
        "algebra\\.h:241: .*Assertion `!\\(len==0\\.0\\)' failed");
}

TEST(Vector3Death, BadIndexAndDivisionByZeroFail)
{
    EXPECT_DEATH(
        {
            Vector3 v(1, 2, 3);
            volatile int i = 3;
            (void)v[i];
        },
        "algebra\\.h:[0-9]+: .*Assertion `i == 0 \\|\\| i == 1 \\|\\| i == 2' failed");
    EXPECT_DEATH(
        {
            volatile float c = 0;
            (void)(Vector3(1, 2, 3) / c);
        },
        "algebra\\.h:[0-9]+: .*Assertion `!\\(c==0\\.0\\)' failed");
}
