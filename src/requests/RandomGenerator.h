#pragma once

// The one process-wide generator of uniform single-precision values in [0, 1).
// It starts from the same state in every run and is never reseeded, so the
// tokens drawn repeat from run to run.
namespace RandomGenerator {

float next();
// Back to the start state, as in a fresh process (tests only).
void restart();

} // namespace RandomGenerator
