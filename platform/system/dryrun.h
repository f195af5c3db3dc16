// The switch that keeps tests and trial runs from touching the machine: with
// ORVANE_DRY_RUN_SYSTEM=1 the power and clock layers only log what they would do.
#pragma once

namespace orvane {
bool systemDryRun();
}
