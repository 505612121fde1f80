// Start-up: from CreateProcess until the program first waits for input, checked to hold both
// hotkeys then and, where it has one, to have its icon in the tray.
#include "bench.h"
#include "desktop.h"
#include "stats.h"
#include "table.h"

namespace {

// One start, timed, checked and stopped; false when the program misbehaved.
bool StartOnce(Bench& bench, const Subject& subject, double& ms) {
  const std::string name = Narrow(subject.label);
  const int iconsBefore = TrayIcons();
  Running program;
  if (!program.Start(bench.folder, subject)) {
    bench.Fail(name + ": " + Narrow(program.error()));
    return false;
  }
  ms = program.startupMs();
  bool good = true;
  if (!HotkeysHeld()) {
    bench.Fail(name + " did not hold both hotkeys once started");
    good = false;
  }
  if (subject.hasIcon && TrayIcons() != iconsBefore + 1) {
    bench.Fail(name + " had no icon in the tray once started");
    good = false;
  }
  if (!program.Stop()) bench.Fail(name + " did not end on WM_CLOSE");
  if (TrayIcons() != iconsBefore) bench.Fail(name + " left its icon in the tray");
  return good;
}

}  // namespace

void RunStartup(Bench& bench) {
  const Subject* subjects[] = {&bench.tandrel, &bench.reference, &bench.referenceIcon};
  constexpr int kSubjects = 3;
  std::vector<double> times[kSubjects];
  for (int round = 0; round < bench.options.startRounds; ++round) {
    Progress("start-up: round %d of %d", round + 1, bench.options.startRounds);
    for (int k = 0; k < kSubjects; ++k) {
      const int s = (round + k) % kSubjects;  // each program takes each place in turn
      double ms = 0;
      if (StartOnce(bench, *subjects[s], ms) && round > 0) times[s].push_back(ms);
      Sleep(100);
    }
  }

  Say("## Start-up\n\n");
  Say("From just before `CreateProcess` until `WaitForInputIdle` returns, i.e. until the program's"
      " thread first asks for a message and finds none. Right then the driver checks that both"
      " hotkeys are held (its own `RegisterHotKey` of each combination fails with"
      " `ERROR_HOTKEY_ALREADY_REGISTERED`) and that the tray holds one icon more; the program is"
      " then closed with `WM_CLOSE` and must take its icon away. The programs take turns within"
      " each round; the first round only warms the caches.\n\n");
  Table table({"program", "starts", "median ms", "p95 ms", "min ms", "max ms"});
  Summary summaries[kSubjects];
  for (int s = 0; s < kSubjects; ++s) {
    summaries[s] = Summarize(times[s]);
    const Summary& t = summaries[s];
    table.Row({Narrow(subjects[s]->label), std::to_string(t.count), Fixed(t.median, 1), Fixed(t.p95, 1),
               Fixed(t.min, 1), Fixed(t.max, 1)});
  }
  table.Print();
  const double ratio = Quotient(summaries[0].median, summaries[1].median);
  Say("Tandrel / reference: median **%s**, p95 %s (target: median at most 1.2).  \n",
      Ratio(summaries[0].median, summaries[1].median).c_str(), Ratio(summaries[0].p95, summaries[1].p95).c_str());
  Say("Tandrel / reference with a tray icon: median %s, p95 %s.\n\n",
      Ratio(summaries[0].median, summaries[2].median).c_str(), Ratio(summaries[0].p95, summaries[2].p95).c_str());
  bench.summary.push_back({"start-up, median", Fixed(summaries[0].median, 1) + " ms",
                           Fixed(summaries[1].median, 1) + " ms", Ratio(summaries[0].median, summaries[1].median) + "x",
                           "at most 1.2x", ratio > 0 && ratio <= 1.2});
}
