// Golden pictures: a rendered PNG is compared with a stored one under tests/golden/, with a small
// tolerance for anti-aliasing. On a mismatch the actual picture and a diff image (differing
// pixels in red over a faded copy of the expected picture) are written beside the build, and the
// failure message names them, so a change is looked at before it is accepted. Setting
// KALVANE_UPDATE_GOLDENS=1 stores the actual pictures as the new goldens instead.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <string_view>

namespace kv::test {

// The largest difference of one colour or alpha channel (0-255) that still counts as the same.
inline constexpr int kGoldenChannelTolerance = 40;
// How many pixels may differ beyond that tolerance: a fixed few, or this share of the picture.
inline constexpr int kGoldenStrayPixels = 4;
inline constexpr double kGoldenStrayShare = 0.002;

// Compares `png` (the bytes of a PNG file) with tests/golden/`name`.png.
testing::AssertionResult MatchesGoldenPicture(std::string_view name, const std::string& png);

// The same with the golden file and the folder for the actual and diff pictures given.
testing::AssertionResult MatchesGoldenFile(const std::filesystem::path& golden,
                                           const std::filesystem::path& outputFolder,
                                           const std::string& png);

}  // namespace kv::test
