#pragma once

namespace client::testing {
// The scale the program tests' windows are drawn at.
inline constexpr int kTestScale = 3;
}  // namespace client::testing
