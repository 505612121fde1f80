// Hotkey to running tool: from just before SendInput to the first instruction of the started
// tool, each press waiting for the previous tool to end.
#include <algorithm>

#include "bench.h"
#include "press.h"
#include "stats.h"
#include "table.h"

namespace {

constexpr int kWarmUpPresses = 2;

// One start of the program and a block of presses, Ctrl+Alt+Z and Ctrl+Alt+U in turn.
void PressBlock(Bench& bench, Presser& presser, const Subject& subject, int presses, std::vector<double>& times) {
  const std::string name = Narrow(subject.label);
  Running program;
  if (!program.Start(bench.folder, subject)) {
    bench.Fail(name + ": " + Narrow(program.error()));
    return;
  }
  Sleep(500);
  for (int i = -kWarmUpPresses; i < presses; ++i) {
    const double ms = presser.Press(i % 2 == 0 ? 'Z' : 'U');
    if (ms < 0) {
      bench.Fail(name + ": a hotkey press started no tool within 10 s");
      return;
    }
    if (i >= 0) times.push_back(ms);
  }
  if (!program.Stop()) bench.Fail(name + " did not end on WM_CLOSE");
}

}  // namespace

void RunLatency(Bench& bench) {
  Presser presser(bench.folder);
  if (!presser.ready()) {
    bench.Fail("cannot watch the tools' stamps");
    return;
  }
  const int block = std::min(bench.options.pressBlock, bench.options.pressesEach);
  const int blocks = (bench.options.pressesEach + block - 1) / block;
  std::vector<double> tandrel;
  std::vector<double> reference;
  for (int b = 0; b < blocks; ++b) {
    Progress("hotkey to tool: block %d of %d", b + 1, blocks);
    const int presses = std::min(block, bench.options.pressesEach - b * block);
    // The two programs cannot hold the same hotkeys at once: blocks alternate, in turn first.
    if (b % 2 == 0) {
      PressBlock(bench, presser, bench.tandrel, presses, tandrel);
      PressBlock(bench, presser, bench.reference, presses, reference);
    } else {
      PressBlock(bench, presser, bench.reference, presses, reference);
      PressBlock(bench, presser, bench.tandrel, presses, tandrel);
    }
  }

  Say("## Hotkey to running tool\n\n");
  Say("From just before `SendInput` of Ctrl+Alt+Z or Ctrl+Alt+U (in turn) to the first instruction of"
      " the started tool double (`bench/stamp_tool.cpp`, built as Cramlet.exe and Spillet.exe, which"
      " takes `QueryPerformanceCounter` at its entry point and appends it to stamps.txt). Each press"
      " waits for the previous tool to end. The programs alternate in blocks of %d presses, each block"
      " on a fresh start after %d unrecorded presses.\n\n",
      block, kWarmUpPresses);
  const Summary t = Summarize(tandrel);
  const Summary r = Summarize(reference);
  Table table({"program", "presses", "median ms", "p95 ms", "min ms", "max ms"});
  table.Row(
      {"Tandrel", std::to_string(t.count), Fixed(t.median, 2), Fixed(t.p95, 2), Fixed(t.min, 2), Fixed(t.max, 2)});
  table.Row(
      {"reference", std::to_string(r.count), Fixed(r.median, 2), Fixed(r.p95, 2), Fixed(r.min, 2), Fixed(r.max, 2)});
  table.Print();
  Say("Tandrel / reference: median **%s**, p95 **%s** (target: at most 1.05).\n\n", Ratio(t.median, r.median).c_str(),
      Ratio(t.p95, r.p95).c_str());
  const auto verdict = [&](const char* measure, double tandrelMs, double referenceMs) {
    const double ratio = Quotient(tandrelMs, referenceMs);
    bench.summary.push_back({measure, Fixed(tandrelMs, 2) + " ms", Fixed(referenceMs, 2) + " ms",
                             Ratio(tandrelMs, referenceMs) + "x", "at most 1.05x", ratio > 0 && ratio <= 1.05});
  };
  verdict("hotkey to running tool, median", t.median, r.median);
  verdict("hotkey to running tool, p95", t.p95, r.p95);
}
