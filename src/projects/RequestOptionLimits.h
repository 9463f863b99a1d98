#pragma once

#include "RunSettings.h"

// Attempts per URL and the time-out in seconds as a project stores them: 0
// stands for the run's default, stored values are clamped into the range.
inline constexpr TRunSettingDef TriesSetting { "Tries", 0, 0, 100 };
inline constexpr TRunSettingDef TimeoutSetting { "Timeout", 0, 0, 3600 };
// The longest wait between two requests to one host, in seconds.
inline constexpr double MaxWaitSeconds = 3600;
