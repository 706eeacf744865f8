// tests/support/TestHeaders.h - the headers nearly every test file includes, compiled once into
// the precompiled header of the test build.
#pragma once
#include <windows.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>
