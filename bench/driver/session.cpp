#include "session.h"

#include <functional>

#include "unix_proc.h"
#include "window_cycle.h"

namespace {

constexpr int kFirstRoundPresses = 10;
constexpr DWORD kSettleMs = 2000;  // lets whatever follows a start (tray, X server) die down

// Repeats step, stopping at the first failure.
bool Repeat(Bench& bench, const std::string& what, int times, const std::function<std::string()>& step) {
  for (int i = 0; i < times; ++i) {
    const std::string error = step();
    if (!error.empty()) {
      bench.Fail(what + ": " + error);
      return false;
    }
  }
  return true;
}

}  // namespace

Session Observe(Bench& bench, const Subject& subject, Presser& presser) {
  Session session;
  const std::string name = Narrow(subject.label);
  Running program;
  if (!program.Start(bench.folder, subject)) {
    bench.Fail(name + ": " + Narrow(program.error()));
    return session;
  }
  const int unixPid = unixproc::FindPid(subject.file);
  if (unixPid == 0) bench.Fail(name + ": its Linux process was not found");
  Sleep(kSettleMs);

  Progress("%s: idle for %d s", name.c_str(), bench.options.idleSeconds);
  session.idle = MeasureIdle(program, unixPid, bench.options.idleSeconds);
  const auto stage = [&](const std::string& stageName, bool growth = false) {
    session.stages.push_back({stageName, Measure(program, unixPid, bench.probe), growth});
  };
  stage("after start");

  int turn = 0;
  const auto press = [&] {
    return presser.Press(++turn % 2 ? 'Z' : 'U') < 0 ? std::string("a hotkey press started no tool") : std::string();
  };
  const int presses = bench.options.leakPresses;
  Progress("%s: %d hotkey presses", name.c_str(), presses);
  if (Repeat(bench, name, kFirstRoundPresses, press)) {
    stage("after " + std::to_string(kFirstRoundPresses) + " presses");
    if (Repeat(bench, name, presses - kFirstRoundPresses, press)) {
      stage("after " + std::to_string(presses) + " presses", true);
    }
  }

  if (&subject == &bench.tandrel) {
    const int cycles = bench.options.windowCycles;
    Progress("%s: every window opened and closed %d times", name.c_str(), cycles);
    const auto cycle = [&] { return Narrow(CycleWindows(program)); };
    if (Repeat(bench, name, 1, cycle)) {
      stage("after 1 window round");
      if (Repeat(bench, name, cycles - 1, cycle)) stage("after " + std::to_string(cycles) + " window rounds", true);
    }
  }
  if (!program.Stop()) bench.Fail(name + " did not end on WM_CLOSE");
  return session;
}

Session ObserveStart(Bench& bench, const Subject& subject) {
  Session session;
  Running program;
  if (!program.Start(bench.folder, subject)) {
    bench.Fail(Narrow(subject.label) + ": " + Narrow(program.error()));
    return session;
  }
  Sleep(kSettleMs);
  session.stages.push_back({"after start", Measure(program, unixproc::FindPid(subject.file), bench.probe), false});
  if (!program.Stop()) bench.Fail(Narrow(subject.label) + " did not end on WM_CLOSE");
  return session;
}
