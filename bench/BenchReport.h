// Pairs each benchmark with its baseline and states the goal of the pair.
// A benchmark named "B1/ours/<case>" is compared with "B1/base/<case>".
#pragma once
#include <string>

namespace bench {
// Registers the goal text shown for a benchmark group (e.g. "B1", "<= 1.3x").
void SetGoal(const std::string& group, const std::string& goal);
} // namespace bench
