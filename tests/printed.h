#pragma once
// What a piece of code prints on standard output, for tests of message texts.

#include <gtest/gtest.h>

#include <string>

template <typename Body>
std::string Printed(Body&& body)
{
    testing::internal::CaptureStdout();
    body();
    return testing::internal::GetCapturedStdout();
}
