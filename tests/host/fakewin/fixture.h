// The base of every host test: a fresh stand-in per test, and the checks that
// hold after any run of the program (nothing left open, no scripted answer unused).
#pragma once
#include "fakewin.h"

#include <gtest/gtest.h>

class FakeWinTest : public ::testing::Test
{
protected:
    void SetUp() override { fake::Reset(); }

    void TearDown() override
    {
        EXPECT_EQ(fake::UnusedBoxAnswers(), 0) << "a scripted message box never came";
        EXPECT_EQ(fake::OpenKeyHandles(), 0) << "registry handles left open";
        EXPECT_EQ(fake::OpenFindHandles(), 0) << "directory searches left open";
        EXPECT_EQ(fake::OpenProcessHandles(), 0) << "process or thread handles left open";
        EXPECT_EQ(fake::OpenPaints(), 0) << "BeginPaint without EndPaint";
    }
};
