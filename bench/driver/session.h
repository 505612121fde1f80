#pragma once
// One long run of a program: idle, then its footprint after start and after each round of use.
#include <string>
#include <vector>

#include "bench.h"
#include "footprint.h"
#include "idle.h"
#include "press.h"

struct Stage {
  std::string name;
  Footprint footprint;
  bool growth;  // the stage before it ended the first round of the same use
};

struct Session {
  IdleCost idle;
  std::vector<Stage> stages;
};

// Idle for the configured time, then hotkey presses and, for Tandrel, window rounds.
Session Observe(Bench& bench, const Subject& subject, Presser& presser);

// Only the footprint after start.
Session ObserveStart(Bench& bench, const Subject& subject);
